// Atomic file replacement and the clean-up of its temporary on an
// interruption (see talmeq/fileReplacement.h).
#include <talmeq/fileReplacement.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "temporaryFiles.h"
#include "utf8Paths.h"
#include "windowsApi.h"

#ifdef _WIN32
#include <chrono>
#include <thread>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace talmeq::detail {
namespace {

// Longer chains of symbolic links are taken for loops, as the systems do.
constexpr int kMaxLinks = 40;

// The temporary being filled, for the interruption handler, which may only
// read plain memory: a fixed buffer and flags. Only once a host asked for
// the clean-up, and one replacement at a time owns the buffer (the others,
// on other threads, go unnoted), so no two threads ever write it together.
char pendingTemporary[4096];
std::atomic<bool> cleanUpArmed{false};
std::atomic<bool> bufferOwned{false};
std::atomic<bool> temporaryPending{false};

extern "C" void removePendingTemporary(int signal) {
  if (temporaryPending.load()) std::remove(pendingTemporary);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Notes `temporary` for the handler, by the narrow name the C library's
// remove() takes; returns whether this call owns the buffer.
bool notePending(const fs::path& temporary) {
  if (!cleanUpArmed.load() || bufferOwned.exchange(true)) return false;
  std::string name;
  try {
    name = temporary.string();  // on Windows a name outside the code page cannot be given narrow
  } catch (const std::exception&) {
  }
  if (name.empty() || name.size() >= sizeof pendingTemporary) {
    bufferOwned = false;
    return false;
  }
  std::memcpy(pendingTemporary, name.c_str(), name.size() + 1);
  temporaryPending = true;
  return true;
}

void clearPending(bool owner) {
  if (!owner) return;
  temporaryPending = false;
  bufferOwned = false;
}

// The file `path` finally names: symbolic links followed, a relative link
// read from the link's own folder. Nothing for a loop or an unreadable link.
std::optional<fs::path> finalTarget(fs::path path) {
  for (int links = 0; links <= kMaxLinks; ++links) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path next = fs::read_symlink(path, error);
    if (error) return std::nullopt;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return std::nullopt;
}

// Forces the file's (or folder's) content to the disk, so the rename never
// publishes data that a power loss could still take back.
void flushToDisk(const fs::path& path) {
#ifdef _WIN32
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FlushFileBuffers(file);
  CloseHandle(file);
#else
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
#endif
}

// Gives `temporary` the permission bits of `target`, when that exists.
void keepPermissions(const fs::path& target, const fs::path& temporary) {
  std::error_code error;
  const fs::file_status old = fs::status(target, error);
  if (!error && fs::exists(old)) fs::permissions(temporary, old.permissions(), fs::perm_options::replace, error);
}

#ifdef _WIN32
// A reader that opened the target without FILE_SHARE_DELETE (a C runtime's
// fopen, a stream) blocks the rename until it closes the file; such readers
// hold a calibration file for a moment, so the rename is tried again for
// about a second before the write counts as failed.
constexpr int kRenameAttempts = 20;
constexpr std::chrono::milliseconds kRenamePause{50};
#endif

// Renames `from` over `to`, replacing an existing `to` in one step.
bool renameOver(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == kRenameAttempts) return false;
    std::this_thread::sleep_for(kRenamePause);
  }
#else
  std::error_code error;
  fs::rename(from, to, error);
  return !error;
#endif
}

bool writeAndPublish(const fs::path& target, const fs::path& temporary,
                     const std::function<bool(const std::string&)>& write) {
  if (!write(utf8Text(temporary))) return false;
  flushToDisk(temporary);
  keepPermissions(target, temporary);
  if (!renameOver(temporary, target)) return false;
  flushToDisk(target.parent_path().empty() ? fs::path(".") : target.parent_path());
  return true;
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

bool replaceFile(const std::string& path, const std::function<bool(const std::string&)>& write) {
  const std::optional<fs::path> target = detail::finalTarget(detail::pathFromUtf8(path));
  if (!target || !target->has_filename()) return false;
  detail::removeStaleTemporaries(*target);
  const fs::path temporary = detail::temporaryNameFor(*target);
  const bool noted = detail::notePending(temporary);
  std::error_code ignored;
  bool published = false;
  try {
    published = detail::writeAndPublish(*target, temporary, write);
  } catch (...) {
    fs::remove(temporary, ignored);
    detail::clearPending(noted);
    throw;
  }
  if (!published) fs::remove(temporary, ignored);
  detail::clearPending(noted);
  return published;
}

void removeTemporaryOnInterrupt() {
  detail::cleanUpArmed = true;
  std::signal(SIGINT, detail::removePendingTemporary);
  std::signal(SIGTERM, detail::removePendingTemporary);
}

}  // namespace talmeq
