// Whether a file holds a whole calibration, as opposed to the four settings
// a calibration starts from, a host's own settings file, or a calibration
// cut short: the readers of calibrationFile.h read every missing key as 0,
// so they cannot tell.
#pragma once

#include <string>

namespace talmeq::detail {

// True when the file parses and holds all eleven keys as numbers ("RoI" as
// four of them). A file that is missing or does not parse is false.
bool holdsCalibration(const std::string& path);

}  // namespace talmeq::detail
