// The verdict of a camera calibration: each threshold as a named check with
// the measured figure.
#pragma once

#include <talmeq/cameraCalibrationReport.h>

#include <vector>

namespace talmeq::detail {

// The checks of `report` (everything but its checks filled in) against
// `thresholds`, in a fixed order: the four relative uncertainties, rms,
// coverage, views, cross-validation, tilted views, repeated views, and the
// camera model's principal point, fx and fy.
std::vector<VerdictCheck> verdictChecks(const CameraCalibrationReport& report, const CalibrationThresholds& thresholds);

// The camera model's checks of cameraPlausibilityChecks: principal point, fx, fy.
std::vector<VerdictCheck> cameraModelChecks(const cv::Mat& cameraMatrix, cv::Size imageSize,
                                            const CalibrationThresholds& thresholds);

}  // namespace talmeq::detail
