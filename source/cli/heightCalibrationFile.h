// The tool's view of the height calibration file: it reads the keys back,
// with the library's own reader, after a calibration or correction to
// report them and to recompute each point's fit error exactly as the library
// computes it; it creates the starting file with the four settings the
// library needs before the first calibration.
#pragma once

#include <string>

#include "calibrationFile.h"

namespace talmeq::cli {

using HeightCalibration = CalibrationValues;

// The four settings no calibration computes.
struct StationSettings {
  double scale = 0.0, dist = 0.0, initZ = 0.0, focusD = 0.0;
};

// Reads every key (missing ones as 0, as the library reads them); UsageError
// when the file cannot be opened or parsed.
HeightCalibration readHeightCalibration(const std::string& path);

// Writes a file holding only "scale", "dist", "initZ" and "focusD";
// UsageError when it cannot be written.
void writeStartingFile(const std::string& path, const StationSettings& settings);

}  // namespace talmeq::cli
