// `calibrate --precise`: the height calibration through the precision
// layer, sub-pixel spots fitted into the same eleven-key file.
#pragma once

#include <string>
#include <vector>

#include "heightWorkflow.h"

namespace talmeq::cli {

// The calibration point of one row's image from readSpot; WorkFailure
// naming the image when it holds no spot or an ambiguous one, or readSpot
// raises an OpenCV error.
CalibrationPoint preciseSpot(const HeightRow& row, const cv::Mat& image);

// Fits and writes the file at `ymlPath` (which holds the four settings)
// with fitHeightModel, for a run planned by planCalibration, and reads the
// file back. `run.code` is 0, or -1 when the average error exceeds 0.2 (the
// file is written all the same). WorkFailure when the file holds no
// settings, could not be replaced or does not hold the planned values.
void fitPrecisely(HeightCalibrationRun& run, const std::string& ymlPath);

}  // namespace talmeq::cli
