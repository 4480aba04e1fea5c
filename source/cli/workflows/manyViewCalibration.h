// Camera calibration from many views through the station layer: each view's
// board points found and refined without bias, OpenCV's calibration with the
// uncertainty of every parameter, and the quality report with its verdict.
// Unreadable views are failed rows; views without the board, or showing a
// board that cannot be the described one, are left out.
#pragma once

#include <talmeq/cameraCalibrationReport.h>

#include <string>
#include <vector>

#include "commands.h"

namespace talmeq::cli {

struct ManyViewOptions {
  BoardDescription board = stationChessboard();
  std::vector<std::string> images;
  std::string out;
  std::string annotate;  // per-view pictures and the coverage map; empty for none
  CalibrationThresholds thresholds;
};

// Runs the calibration, writes the camera file and the pictures, and reports
// the table and the JSON document. WorkFailure when a view could not be read
// (after everything else is written) or when the calibration fails its
// verdict (the camera file records the verdict and its checks); no view
// fitting the board is a WorkFailure before any file is written.
void runManyViewCalibration(const ManyViewOptions& options, Session& session);

// The coverage map's file for the pictures at `annotate`.
std::string coverageMapPath(const std::string& annotate);

}  // namespace talmeq::cli
