// `calibrate --precise`: the height calibration through the precision
// layer, sub-pixel spots fitted into the same eleven-key file.
#pragma once

#include <string>
#include <vector>

#include "heightWorkflow.h"

namespace talmeq::cli {

// Reads the spot of each row's image with readSpot. UsageError when an
// image cannot be read; WorkFailure naming the image when it holds no spot
// or an ambiguous one, or readSpot raises an OpenCV error.
HeightCalibrationRun readSpotsPrecisely(const std::vector<HeightRow>& rows);

// Fits and writes the file at `ymlPath` (which holds the four settings)
// with fitHeightModel, for a run planned by planCalibration, and reads the
// file back. `run.code` is 0, or -1 when the average error exceeds 0.2 (the
// file is written all the same). WorkFailure when the file holds no
// settings, could not be replaced or does not hold the planned values.
void fitPrecisely(HeightCalibrationRun& run, const std::string& ymlPath);

}  // namespace talmeq::cli
