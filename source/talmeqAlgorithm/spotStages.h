// The stages of the laser-spot detector that come before the choice of the
// spot: the detection window, the brightness threshold, the foreground image
// and the screens every candidate contour passes through. getSpotCoord runs
// them in order; the command-line tool re-runs them to draw what the detector
// saw. Nothing here logs.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

namespace talmeq::spot {

using Contour = std::vector<cv::Point>;
using Contours = std::vector<Contour>;

inline constexpr int kRankedPixels = 16;  // the 16th largest grey value sets the threshold
inline constexpr int kThresholdCap = 225;
inline constexpr int kBrightSwitch = 200;  // thr >= 200: bright method, below: dim method

// The fixed window right of and below the image centre that can hold the spot:
// 35 % .. 70 % of the columns, 45 % .. 75 % of the rows (edges truncated).
cv::Rect spotWindow(int cols, int rows);

// min(16th largest grey value of the window, 225). The window holds at least
// kRankedPixels pixels.
int rankThreshold(const cv::Mat& greyWindow);

// The binary foreground of a BGR image for threshold `thr` (bright method at
// or above kBrightSwitch, dim method below), masked to `window`.
cv::Mat spotForeground(const cv::Mat& image, const cv::Mat& grey, int thr, const cv::Rect& window);

// Which screen decided about a candidate contour.
enum class Verdict {
  kTooSmall,     // area below 5: dropped without a message
  kTooLarge,     // area 300 or more
  kBadRatio,     // bounding-box width / height outside (0.3, 3.0)
  kNotRound,     // circularity 0.5 or less
  kAccepted,
};

struct Screening {
  double area = 0.0;
  double ratio = 0.0;
  double circularity = 0.0;  // computed only when the area and ratio screens pass
  Verdict verdict = Verdict::kTooSmall;
};

// Runs the area, aspect and circularity screens on one contour.
Screening screenContour(const Contour& contour);

}  // namespace talmeq::spot
