// `calibrate --precise`: the height calibration through the precision
// layer, sub-pixel spots fitted into the same eleven-key file.
#pragma once

#include <string>
#include <vector>

#include "heightWorkflow.h"

namespace talmeq::cli {

// Reads the spot of each row's image with readSpot, fits and writes the file
// with fitHeightModel and scores the points against it; the run's code is 0,
// or -1 when the average error exceeds 0.2 (file written). LibraryFailure
// when an image holds no spot or an ambiguous one, or the file holds no
// settings or cannot be replaced.
HeightCalibrationRun calibrateHeightsPrecisely(const std::vector<HeightRow>& rows, const std::string& ymlPath);

}  // namespace talmeq::cli
