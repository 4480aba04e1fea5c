#include "temporaryFiles.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>

#include "utf8Paths.h"
#include "windowsApi.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace talmeq::detail {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = ".tmp-";
constexpr std::size_t kMaxNameLength = 255;

std::uint64_t currentProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<std::uint64_t>(::getpid());
#endif
}

// True unless the process is known to have ended; an id that cannot be a
// process's counts as running, so its file is kept.
bool processRunning(std::uint64_t id) {
#ifdef _WIN32
  if (id > std::numeric_limits<DWORD>::max()) return true;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
#else
  if (id == 0 || id > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max())) return true;
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
#endif
}

// The end of the target's name that follows a prefix of `prefixLength`,
// starting on a whole UTF-8 character.
std::string nameTail(const std::string& name, std::size_t prefixLength) {
  std::size_t start = name.size() - std::min(name.size(), kMaxNameLength - prefixLength);
  while (start < name.size() && (static_cast<unsigned char>(name[start]) & 0xC0) == 0x80) ++start;
  return name.substr(start);
}

// The writer's process id when `name` is a temporary named for a target
// called `targetName`, otherwise 0.
std::uint64_t writerOf(const std::string& name, const std::string& targetName) {
  const std::string prefix(kPrefix);
  if (name.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::size_t idEnd = name.find('-', prefix.size());
  const std::size_t uniqueEnd = idEnd == std::string::npos ? idEnd : name.find('-', idEnd + 1);
  if (uniqueEnd == std::string::npos || idEnd == prefix.size() || idEnd - prefix.size() > 19) return 0;
  const std::string id = name.substr(prefix.size(), idEnd - prefix.size());
  if (id.find_first_not_of("0123456789") != std::string::npos) return 0;
  if (name.substr(uniqueEnd + 1) != nameTail(targetName, uniqueEnd + 1)) return 0;
  return std::stoull(id);
}

}  // namespace

fs::path temporaryNameFor(const fs::path& target) {
  static std::atomic<std::uint32_t> counter{0};
  const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::ostringstream prefix;
  prefix << kPrefix << currentProcessId() << '-' << std::hex << std::setfill('0') << std::setw(16) << now
         << std::setw(8) << counter++ << '-';
  const std::string name = utf8Text(target.filename());
  return target.parent_path() / pathFromUtf8(prefix.str() + nameTail(name, prefix.str().size()));
}

void removeStaleTemporaries(const fs::path& target) {
  const std::string targetName = utf8Text(target.filename());
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  for (const fs::directory_iterator end; !error && entries != end; entries.increment(error)) {
    const std::uint64_t writer = writerOf(utf8Text(entries->path().filename()), targetName);
    if (writer == 0) continue;
    std::error_code ignored;
    const auto written = fs::last_write_time(entries->path(), ignored);
    if (ignored || fs::file_time_type::clock::now() - written < kStaleTemporaryAge) continue;
    if (!processRunning(writer)) fs::remove(entries->path(), ignored);
  }
}

}  // namespace talmeq::detail
