// What OpenCV accepts but a station should not trust in a camera
// calibration: one view (the focal length and the distortion it gives are
// unreliable), fewer than 3 different views, views that repeat each other,
// and a focal length outside 0.2 .. 5 times the image width.
#pragma once

#include <string>
#include <vector>

#include "cameraWorkflow.h"

namespace talmeq::cli {

// The warnings for `calibration`; `names` names the views of its review in
// order (the images they come from). Repeated views are the library's
// (ViewQuality::repeatOf).
std::vector<std::string> cameraWarnings(const CameraCalibration& calibration, const std::vector<std::string>& names);

}  // namespace talmeq::cli
