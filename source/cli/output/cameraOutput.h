// What `calib-chess` and `calib-aruco` hand back for a finished camera
// calibration, whichever way it was made: the camera file (OpenCV's sample
// keys, the warnings, and the keys of a quality report when there is one),
// the camera table, the JSON "camera" object and the per-view pictures;
// and the quality report of a many-view calibration.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "cameraWorkflow.h"
#include "commands.h"

namespace talmeq::cli {

struct CalibratedViews {
  CameraCalibration camera;
  std::vector<std::string> names;        // the image of each view of the camera's review
  std::vector<cv::Mat> images;           // kept for the annotations
  std::vector<std::string> annotations;  // where each view's picture goes; empty for none
};

// Writes the camera file `out` (replaced atomically) with the warnings and,
// for a many-view calibration of `board`, its report, prints the camera
// table and the warnings, fills "camera" and "out" of the document, and
// draws each view's picture when asked.
void finishCamera(const CalibratedViews& v, const std::string& out, Session& session,
                  const BoardDescription* board = nullptr);

// The quality report of a many-view camera calibration: prints the per-view
// table, the uncertainty row, the quality figures and the verdict's checks,
// and sets "uncertainty", "rms",
// "views", "coverage", "crossValidation", "straightness", "verdict" and
// "checks" of the document. `names` names every view given, in order.
void showCalibrationReport(const CameraCalibrationReport& report, const std::vector<std::string>& names,
                           Output& output);

}  // namespace talmeq::cli
