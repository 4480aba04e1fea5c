// The calibration file's advisory lock (see talmeq/calibrationLock.h).
#include <talmeq/calibrationLock.h>

#include <chrono>
#include <filesystem>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "utf8Paths.h"

namespace talmeq::detail {
namespace {

constexpr std::chrono::milliseconds kRetryEvery{50};

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

CalibrationLock::CalibrationLock(const std::string& calibrationPath, double timeoutSeconds) {
  const std::filesystem::path lockPath = detail::pathFromUtf8(calibrationPath + ".lock");
  const std::string name = detail::utf8Text(lockPath);
#ifdef _WIN32
  handle_ = CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    handle_ = nullptr;
    throw CalibrationLockError("cannot write " + calibrationPath + ": its lock file " + name + " cannot be created");
  }
  const auto tryLock = [this] {
    OVERLAPPED whole{};
    return LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole) != 0;
  };
#else
  descriptor_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (descriptor_ < 0)
    throw CalibrationLockError("cannot write " + calibrationPath + ": its lock file " + name + " cannot be created");
  const auto tryLock = [this] { return ::flock(descriptor_, LOCK_EX | LOCK_NB) == 0; };
#endif
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (!tryLock()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      release();
      throw CalibrationLockError(calibrationPath + " is in use by another writer (it holds " + name +
                                 "); nothing was changed: try again when it has ended");
    }
    std::this_thread::sleep_for(detail::kRetryEvery);
  }
}

CalibrationLock::~CalibrationLock() { release(); }

void CalibrationLock::release() {
#ifdef _WIN32
  if (handle_ == nullptr) return;
  OVERLAPPED whole{};
  UnlockFileEx(handle_, 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(handle_);
  handle_ = nullptr;
#else
  if (descriptor_ < 0) return;
  ::flock(descriptor_, LOCK_UN);
  ::close(descriptor_);
  descriptor_ = -1;
#endif
}

}  // namespace talmeq
