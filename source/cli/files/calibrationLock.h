// The advisory lock that serialises the read-modify-write of a calibration
// file (`calibrate`, `correct`): two runs on one file would otherwise both
// read the old values and the later write would drop the earlier one's
// change. The lock is held on a lock file beside the calibration file
// ("<file>.lock", left in place), because the file itself is replaced by a
// rename and a lock on it would stay with the old copy.
#pragma once

#include <string>

namespace talmeq::cli {

class CalibrationLock {
 public:
  // Waits up to `timeoutSeconds` for the lock on `calibrationPath`.
  // WorkFailure when the lock file cannot be created or another run keeps
  // the lock longer than that.
  explicit CalibrationLock(const std::string& calibrationPath, double timeoutSeconds = 30.0);
  ~CalibrationLock();
  CalibrationLock(const CalibrationLock&) = delete;
  CalibrationLock& operator=(const CalibrationLock&) = delete;

 private:
  void release();
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int descriptor_ = -1;
#endif
};

}  // namespace talmeq::cli
