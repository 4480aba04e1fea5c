// The quality report of a many-view camera calibration as the tool shows
// it: a per-view table, the uncertainty row, the quality figures and the
// verdict's checks in text; the same in the JSON document; and the report's
// keys of the camera file.
#pragma once

#include <talmeq/cameraCalibrationReport.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "output.h"

namespace talmeq::cli {

// Prints the report's tables and lines, and sets "uncertainty", "rms",
// "views", "coverage", "crossValidation", "straightness", "verdict" and
// "checks" of the document. `names` names every view given, in order.
void showCalibrationReport(const CameraCalibrationReport& report, const std::vector<std::string>& names,
                           Output& output);

// Writes the report's keys into the camera file: "nr_of_frames",
// "per_view_reprojection_errors", the board it was calibrated with
// ("board_type", "board_width", "board_height" and its sizes),
// "calibration_time", the uncertainties and the verdict.
void writeReportKeys(cv::FileStorage& storage, const CameraCalibrationReport& report, const BoardDescription& board);

}  // namespace talmeq::cli
