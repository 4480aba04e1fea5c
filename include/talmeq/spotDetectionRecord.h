// What getSpotCoord's detector saw in a frame, for hosts that draw it or
// explain a result: the detection window, the threshold and the method it
// chose, every candidate contour with the screen that decided about it, the
// accepted blobs and the spot. recordSpotDetection() runs the same detector
// as getSpotCoord, without writing any log line, so the record and the
// export's result always agree (code 0 exactly when the outcome is kFound).
#pragma once

#include <talmeq/export.h>

#include <cstddef>
#include <opencv2/core.hpp>
#include <vector>

namespace talmeq {

inline constexpr int kRankedPixels = 16;   // the 16th largest grey value of the window sets the threshold
inline constexpr int kBrightSwitch = 200;  // threshold 200 or more: bright method; below: dim method

// The screens a candidate contour passes through, in order; the first it
// fails decides about it.
enum class CandidateScreen {
  kTooSmall,  // area below 5: dropped without a message
  kTooLarge,  // area 300 or more
  kBadRatio,  // bounding-box width / height outside (0.3, 3.0)
  kNotRound,  // circularity 0.5 or less
  kAccepted,
};

struct SpotCandidate {
  std::vector<cv::Point> contour;  // full-image pixels
  double area = 0.0;               // contour area
  double ratio = 0.0;              // bounding-box width / height
  double circularity = 0.0;        // 4 pi area / perimeter^2; computed only past the area and ratio screens
  CandidateScreen screen = CandidateScreen::kTooSmall;
};

// How a detection ended.
enum class DetectionOutcome {
  kEmptyImage,      // -2: nothing to search
  kWindowTooSmall,  // -2: the window holds fewer than 16 pixels
  kNoBlob,          // -1: no candidate survives the screens
  kFound,           // 0: `blobs[chosen]` is the spot
};

// Everything the detector decided on for one image.
struct SpotDetectionRecord {
  DetectionOutcome outcome = DetectionOutcome::kEmptyImage;
  cv::Rect window;                            // the detection window, full-image pixels
  int threshold = -1;                         // min(16th largest grey value of the window, 225); -1 before it is known
  std::vector<SpotCandidate> candidates;      // every contour of the windowed foreground, in tracing order
  std::vector<std::vector<cv::Point>> blobs;  // outer contours of the accepted candidates painted filled
  std::size_t chosen = 0;                     // index of the largest blob (the spot) when found
  cv::Point spot;                             // truncated centroid of the chosen blob; (0, 0) unless found

  bool brightMethod() const { return threshold >= kBrightSwitch; }
};

// The detector's record of `image` (BGR, 8-bit). An image that is not 8-bit,
// or that cannot be converted from BGR to grey, raises cv::Exception.
TALMEQ_EXPORT SpotDetectionRecord recordSpotDetection(const cv::Mat& image);

}  // namespace talmeq
