// correctHeightOffset: correctYml's shift of "initZ", with every outcome
// that correctYml reports as success (a non-finite shift, a file that holds
// no calibration, a file it could not replace) reported by its own status.
#include <talmeq/calibrationLock.h>
#include <talmeq/heightOffsetCorrection.h>

#include <cmath>

#include "calibrationFile.h"
#include "calibrationKeys.h"
#include "linearCalibration.h"

namespace talmeq {

OffsetCorrection correctHeightOffset(double measured, double truth, const std::string& ymlPath) {
  OffsetCorrection correction;
  // Checked before the lock too, so that no lock file is left beside a
  // path that holds no calibration; read again under the lock.
  if (!detail::holdsCalibration(ymlPath)) return correction;
  try {
    const CalibrationLock lock(ymlPath);
    CalibrationValues values;
    if (!detail::holdsCalibration(ymlPath) || !detail::readCalibration(ymlPath, values)) return correction;
    correction.initZBefore = values.initZ;
    correction.initZAfter = detail::linear::shiftedInitZ(values.initZ, measured, truth);
    if (!std::isfinite(measured) || !std::isfinite(truth) || !std::isfinite(correction.initZAfter)) {
      correction.status = OffsetStatus::kNotFinite;
      return correction;
    }
    values.initZ = correction.initZAfter;
    correction.status =
        detail::writeCalibration(ymlPath, values) ? OffsetStatus::kCorrected : OffsetStatus::kNotWritten;
  } catch (const CalibrationLockError&) {
    correction.status = OffsetStatus::kNotWritten;
  }
  return correction;
}

const char* toText(OffsetStatus status) {
  switch (status) {
    case OffsetStatus::kCorrected:
      return "corrected";
    case OffsetStatus::kNotCalibration:
      return "notCalibration";
    case OffsetStatus::kNotFinite:
      return "notFinite";
    case OffsetStatus::kNotWritten:
      break;
  }
  return "notWritten";
}

}  // namespace talmeq
