// The picture of a height calibration: each point's height against its
// projected displacement, the fitted line h = k * v + b, and each point's
// error as a vertical bar from the line, magnified so it can be seen.
#pragma once

#include <opencv2/core.hpp>

#include "heightWorkflow.h"

namespace talmeq::cli {

namespace plot {
inline const cv::Size kSize{900, 600};
inline const cv::Scalar kPoint{0, 0, 255};    // red discs: the calibration points
inline const cv::Scalar kLine{255, 0, 0};     // blue: the fitted line
inline const cv::Scalar kError{0, 140, 255};  // orange bars: the errors, magnified
inline constexpr int kPointRadius = 5;
}  // namespace plot

// A BGR image of plot::kSize; the legend names the magnification of the bars.
cv::Mat plotCalibration(const HeightCalibrationRun& run);

}  // namespace talmeq::cli
