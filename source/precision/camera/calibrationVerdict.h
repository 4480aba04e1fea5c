// The verdict of a camera calibration: each threshold as a named check with
// the measured figure.
#pragma once

#include <talmeq/cameraCalibrationReport.h>

#include <vector>

namespace talmeq {

// The checks of `report` (everything but its checks filled in) against
// `thresholds`, in a fixed order: the four relative uncertainties, rms,
// coverage, views, cross-validation, tilted views,
// repeated views.
std::vector<VerdictCheck> verdictChecks(const CameraCalibrationReport& report, const CalibrationThresholds& thresholds);

}  // namespace talmeq
