#include "fileReplacement.h"

#include <filesystem>
#include <optional>

#include "temporaryFiles.h"

#include "windowsApi.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace talmeq {
namespace {

namespace fs = std::filesystem;

// Longer chains of symbolic links are taken for loops, as the systems do.
constexpr int kMaxLinks = 40;

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
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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

// Renames `from` over `to`, replacing an existing `to` in one step.
bool renameOver(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  std::error_code error;
  fs::rename(from, to, error);
  return !error;
#endif
}

bool writeAndPublish(const fs::path& target, const fs::path& temporary,
                     const std::function<bool(const std::string&)>& write) {
  if (!write(temporary.string())) return false;
  flushToDisk(temporary);
  keepPermissions(target, temporary);
  if (!renameOver(temporary, target)) return false;
  flushToDisk(target.parent_path().empty() ? fs::path(".") : target.parent_path());
  return true;
}

}  // namespace

bool replaceFile(const std::string& path, const std::function<bool(const std::string&)>& write) {
  const std::optional<fs::path> target = finalTarget(fs::path(path));
  if (!target || !target->has_filename()) return false;
  removeStaleTemporaries(*target);
  const fs::path temporary = temporaryNameFor(*target);
  std::error_code ignored;
  try {
    if (writeAndPublish(*target, temporary, write)) return true;
  } catch (...) {
    fs::remove(temporary, ignored);
    throw;
  }
  fs::remove(temporary, ignored);
  return false;
}

}  // namespace talmeq
