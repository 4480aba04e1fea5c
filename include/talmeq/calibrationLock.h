// The advisory lock that serialises the read-modify-write of a calibration
// file: two writers of one file would otherwise both read the old values and
// the later write would drop the earlier one's change. fitHeightModel and
// correctHeightOffset take it, and so does the command-line tool; a host
// that edits the file itself takes it too.
//
// The lock is held on a lock file beside the calibration file
// ("<file>.lock", left in place), because the file itself is replaced by a
// rename and a lock on it would stay with the old copy. flock on Linux,
// LockFileEx on Windows, both tried without blocking until the timeout so
// that a stuck writer gives a message instead of a hang. It serialises
// processes and threads alike, since each holder opens the lock file anew.
#pragma once

#include <talmeq/export.h>

#include <stdexcept>
#include <string>

namespace talmeq {

// The lock could not be taken: the lock file cannot be created, or another
// writer kept the lock past the timeout. The message says which. (Defined
// here alone, it is caught by its name across the library's boundary.)
class CalibrationLockError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CalibrationLock {
 public:
  // Waits up to `timeoutSeconds` for the lock on the file at `calibrationPath`
  // (UTF-8). Raises CalibrationLockError when it cannot be had.
  TALMEQ_EXPORT explicit CalibrationLock(const std::string& calibrationPath, double timeoutSeconds = 30.0);
  TALMEQ_EXPORT ~CalibrationLock();
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

}  // namespace talmeq
