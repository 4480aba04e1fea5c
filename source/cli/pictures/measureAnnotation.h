// The picture of one height measurement, from the measurement's own trace:
// the search window (the file's "RoI" moved by its offsets), the 30-pixel
// track band along the window's diagonal in which the locator's track pass
// looks, the reference point, the spot the locator found, and the outcome
// in words (result, reason, measured heights).
#pragma once

#include <talmeq/heightMeasurementRecord.h>

#include <opencv2/core.hpp>
#include <string>

namespace talmeq::cli {

namespace measureMarks {
inline const cv::Scalar kWindow{255, 255, 0};     // cyan: search window
inline const cv::Scalar kBand{0, 200, 0};         // green, blended: track band
inline const cv::Scalar kReference{255, 0, 255};  // magenta: reference point
inline const cv::Scalar kSpot{0, 0, 255};         // red cross: the spot
inline const cv::Scalar kOutcome{255, 255, 255};  // white: the outcome line
inline constexpr double kBandOpacity = 0.3;
inline constexpr int kSpotArm = 10;  // half length of the cross at 640 x 480, pixels
}  // namespace measureMarks

// A copy of `image` with the marks of `trace` (a measurement that read its
// calibration file) and `outcome` above the legend.
cv::Mat annotateMeasurement(const cv::Mat& image, const HeightMeasurementRecord& trace, const std::string& outcome);

}  // namespace talmeq::cli
