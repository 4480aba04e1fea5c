// The picture of one height measurement: the search window (the file's
// "RoI" moved by its offsets), the 30-pixel track band along the window's
// diagonal in which the locator's track pass looks, the reference point, and
// the spot. The measurement returns heights, not the spot's pixel, so the
// spot is drawn where the model puts it: on the track line at the distance
// from the reference point that gives the measured height.
#pragma once

#include <opencv2/core.hpp>
#include <optional>

#include "heightCalibrationFile.h"

namespace talmeq::cli {

namespace measureMarks {
inline const cv::Scalar kWindow{255, 255, 0};     // cyan: search window
inline const cv::Scalar kBand{0, 200, 0};         // green, blended: track band
inline const cv::Scalar kReference{255, 0, 255};  // magenta: reference point
inline const cv::Scalar kSpot{0, 0, 255};         // red cross: the spot
inline constexpr int kBandThickness = 30;         // pixels, as the locator's band
inline constexpr double kBandOpacity = 0.3;
inline constexpr int kSpotArm = 10;  // half length of the cross, pixels
}  // namespace measureMarks

// Where the spot of a plane at relative `height` lies on the track line, or
// nothing when the model cannot place it there.
std::optional<cv::Point2d> spotOnTrack(const HeightCalibration& file, double height);

// A copy of `image` with the marks; `height` is the measured relative height,
// if the measurement gave one.
cv::Mat annotateMeasurement(const cv::Mat& image, const HeightCalibration& file,
                            std::optional<double> height);

}  // namespace talmeq::cli
