// Frames and logging for the benchmarks: camera-sized synthetic frames that
// send getSpotCoord down each of its paths, a logger router that formats
// every message but writes it nowhere, so I/O does not dominate, and the
// logging a host has, for the rows that measure what it costs.
#pragma once

#include <spotFrames.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace talmeq::bench {

struct SpotScene {
  std::string name;  // path and outcome, e.g. "dim/found"
  int expected;      // the result getSpotCoord must give on it
  bool bright;       // whether it takes the bright method
};

// bright/found, bright/none, dim/found, dim/none.
const std::vector<SpotScene>& spotScenes();

struct FrameSize {
  std::string name;  // e.g. "5MP"
  cv::Size size;
};

// 1.3, 5 and 20 megapixel frames.
const std::vector<FrameSize>& frameSizes();

// The scene every benchmark frame starts from: a lit background with a
// gradient, pixel noise and one patch of ambient light left of the centre.
sim::FrameRecipe sceneBackground(cv::Size size);

// The frame of `scene` at `size`; deterministic.
cv::Mat spotSceneFrame(const SpotScene& scene, cv::Size size);

// A noisier 5 MP scene for the speed ratios: the gradient background with
// sensor noise of 3 grey levels, and a spot for either method.
cv::Mat noisySpotFrame(bool bright);

// Height measurement scenes: a 400 x 400 search window right of and below
// the frame's centre, the spot 40 % along its diagonal.
struct PlaneScene {
  std::string name;  // the locator's pass that finds the spot
  bool saturated;    // a white saturated spot, or a red one only the track pass sees
};

// bright, track.
const std::vector<PlaneScene>& planeScenes();

cv::Rect planeSearchWindow(cv::Size frame);
cv::Point2d planeSpotCentre(cv::Size frame);
cv::Mat planeSceneFrame(const PlaneScene& scene, cv::Size size);

// Writes a calibration file for frames of `size` in the temporary directory
// and returns its path: the reference position lies 120 pixels from the spot
// and the absolute heights stay inside the accepted range.
std::string writePlaneCalibration(cv::Size size);

// Routes both logger streams to categories without appenders for the life
// of the object: messages are still formatted (as for a host that logs),
// then dropped; with `infoOff` the categories take warnings and errors only,
// as a host that turned the library's information messages off, and the
// messages are not formatted at all.
class QuietLog {
 public:
  explicit QuietLog(bool infoOff = false);
  ~QuietLog();
  QuietLog(const QuietLog&) = delete;
  QuietLog& operator=(const QuietLog&) = delete;
};

// Routes the log nowhere (`quiet`), as QuietLog does, or as a host has it by
// default: the print stream to standard output (scripts/bench.sh sends it to
// /dev/null) and the file stream to the rotating log file.
void routeLog(bool quiet);

}  // namespace talmeq::bench
