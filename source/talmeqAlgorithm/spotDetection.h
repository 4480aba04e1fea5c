// Internal stages of the spot detector that do not depend on how its
// foreground image was computed: the detection window, the input checks and
// everything from the candidate contours to the reported centre. The
// library's windowed pipeline and the whole-frame reading kept by the tests
// both run through them, so the two differ only in how they find the
// foreground.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

namespace talmeq::spot {

using Contour = std::vector<cv::Point>;
using Contours = std::vector<Contour>;

inline constexpr const char* kName = "getSpotCoord";
inline constexpr int kRankedPixels = 16;     // the 16th largest grey value sets the threshold
inline constexpr int kThresholdCap = 225;
inline constexpr int kBrightSwitch = 200;    // thr >= 200: bright method, below: dim method
inline constexpr int kCrossIterations = 3;   // bright method: 3 x 3 cross closing
inline constexpr int kBackgroundBox = 51;    // dim method: box filter side
inline constexpr int kDimDifference = 50;    // dim method: red above background by more than this
inline const cv::Size kRowClosing{101, 11};  // dim method: closing along rows, then
inline const cv::Size kColumnClosing{11, 101};  // along columns

// The fixed window right of and below the image centre that can hold the
// spot; it never touches the image border.
cv::Rect detectionWindow(cv::Size imageSize);

// kOk when the image can be searched; otherwise logs and records the refusal
// and returns its code (-2: empty image, or a window of fewer than 16 pixels).
// A non-8-bit image raises cv::Exception.
int checkImage(const cv::Mat& image);

// From the contours of the masked foreground (full-image coordinates) to the
// result: logs their count, screens them, paints the accepted ones on a
// canvas covering `canvas` (full-image rectangle holding every contour point
// with a margin of at least one pixel), picks the largest blob and writes its
// centroid to `coord`. Returns 0, or -1 with its failure record.
int locateSpot(const Contours& contours1, cv::Rect canvas, cv::Point& coord);

}  // namespace talmeq::spot
