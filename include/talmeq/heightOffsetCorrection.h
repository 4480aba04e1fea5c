// Correcting a calibration's height offset: the truthful counterpart of the
// whole-pixel library's correctYml, for hosts that must know what happened
// to the file. Part of precision.h.
#pragma once

#include <talmeq/export.h>

#include <limits>
#include <string>

namespace talmeq {

enum class OffsetStatus {
  kCorrected,       // "initZ" shifted and the file replaced
  kNotCalibration,  // the file is missing, does not parse, or lacks one of the eleven keys: unchanged
  kNotFinite,       // a height, the file's "initZ" or the shifted one is not finite: unchanged
  kNotWritten,      // the file or its lock file could not be written: unchanged
};

struct OffsetCorrection {
  static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

  OffsetStatus status = OffsetStatus::kNotCalibration;
  double initZBefore = kUnknown;  // "initZ" as read, when the file holds a calibration
  double initZAfter = kUnknown;   // the shifted "initZ": written when corrected, what would have been otherwise
};

// Shifts "initZ" of the calibration file at `ymlPath` by truth - measured,
// so that a plane that measured the absolute height `measured` then measures
// `truth`, and replaces the file with the same eleven keys; the file is
// never left half written. The read, the shift and the write hold the
// file's CalibrationLock (talmeq/calibrationLock.h), waiting up to 30
// seconds for another writer; a lock that cannot be had is kNotWritten.
// Nothing is refused by exception: every outcome is a status.
TALMEQ_EXPORT OffsetCorrection correctHeightOffset(double measured, double truth, const std::string& ymlPath);

// "corrected", "notCalibration", "notFinite", "notWritten".
TALMEQ_EXPORT const char* toText(OffsetStatus status);

}  // namespace talmeq
