// One round of the nine exports as one thread of the soak run calls them,
// on inputs rendered once by the simulated station and camera, and a
// fingerprint of everything each export gives back, so that a later round
// can be compared with the first.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace talmeq::soak {

// The inputs all threads share (read only).
struct Inputs {
  std::vector<double> heights;
  std::vector<cv::Mat> heightFrames;  // one per height
  cv::Mat measureFrame;
  cv::Mat chessImage;
  std::vector<cv::Mat> arucoImages;
  std::vector<std::vector<std::vector<cv::Point2f>>> arucoCorners;  // per view, as getArucoCorners gives them
  std::vector<std::vector<int>> arucoIds;
  cv::Size cameraSize;
  cv::Mat cameraMatrix, distortion;
};

// Renders the frames and detects the markers of the ArUco views once.
Inputs prepareInputs();

// Writes the calibration file a station starts from: "scale", "dist",
// "initZ" and "focusD".
void writeStartingCalibration(const std::string& path);

// The names of the nine exports, in the order of a round's fingerprints.
const std::vector<std::string>& exportNames();

struct Round {
  std::vector<std::uint64_t> fingerprints;  // one per export
  int calls = 0;
};

// Calls every export once, getSpotCoord once per height frame, with the
// inputs of thread `thread` and the calibration file at `path`. An export's
// fingerprint covers its result codes and all its outputs, and the
// calibration file after the calls that write it.
Round runExportRound(const Inputs& inputs, int thread, const std::string& path);

}  // namespace talmeq::soak
