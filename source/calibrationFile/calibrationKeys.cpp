// The check for a whole calibration (see calibrationKeys.h), through the
// one inspection of a file's keys (talmeq/calibrationFileContent.h).
#include "calibrationKeys.h"

#include <talmeq/calibrationFileContent.h>

namespace talmeq::detail {

bool holdsCalibration(const std::string& path) {
  const CalibrationFileContent content = inspectCalibrationFile(path);
  return content.read && content.missing.empty();
}

}  // namespace talmeq::detail
