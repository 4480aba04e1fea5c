// The picture of a camera calibration view: every detected board point and,
// from it, its reprojection error magnified into a visible line.
#pragma once

#include <talmeq/cameraCalibrationReport.h>

#include <opencv2/core.hpp>

namespace talmeq::cli {

namespace cornerMarks {
inline const cv::Scalar kCorner{0, 255, 0};  // green circle: a detected point
inline const cv::Scalar kError{0, 0, 255};   // red line: towards the reprojected point, magnified
inline constexpr int kCornerRadius = 4;
inline constexpr double kMagnify = 20.0;
}  // namespace cornerMarks

// A copy of `image` with the marks of one view.
cv::Mat annotateCorners(const cv::Mat& image, const ViewQuality& view, double rms);

}  // namespace talmeq::cli
