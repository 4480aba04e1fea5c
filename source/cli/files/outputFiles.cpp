// Safe replacement of output files (see outputFiles.h).
#include "outputFiles.h"

#include <opencv2/imgcodecs.hpp>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include "failures.h"

namespace talmeq::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxNameLength = 255;

// The temporary file being written, for the interruption handler. A fixed
// buffer: the handler may only read plain memory.
char partialPath[4096];
std::atomic<bool> partialPending{false};

extern "C" void onInterrupt(int signal) {
  if (partialPending.load()) std::remove(partialPath);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

int processId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

fs::path temporaryFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  const std::string prefix = ".talmeq-" + std::to_string(processId()) + "-" + std::to_string(counter++) + "-";
  const std::string name = target.filename().u8string();
  const std::size_t kept = std::min(name.size(), kMaxNameLength - prefix.size());
  return target.parent_path() / fs::u8path(prefix + name.substr(name.size() - kept));
}

// Opens `path` with the C library, by its wide name on Windows so that any
// character of it survives.
std::FILE* openFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
  return _wfopen(path.c_str(), std::wstring(mode, mode + std::strlen(mode)).c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

// Forces the file's content to the disk before the rename publishes it.
bool flushToDisk(const fs::path& path) {
  std::FILE* file = openFile(path, "ab");
  if (!file) return false;
#ifdef _WIN32
  const bool flushed = std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
#else
  const bool flushed = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
#endif
  return std::fclose(file) == 0 && flushed;
}

void markPartial(const fs::path& path) {
  const std::string text = path.string();  // the name the C library's remove() takes
  partialPending = false;
  if (text.size() >= sizeof partialPath) return;
  std::memcpy(partialPath, text.c_str(), text.size() + 1);
  partialPending = true;
}

}  // namespace

void replaceFile(const std::string& target, const std::function<bool(const std::string& temporary)>& write) {
  const fs::path final = fs::u8path(target);
  const fs::path temporary = temporaryFor(final);
  markPartial(temporary);
  bool written = false;
  try {
    written = write(temporary.u8string()) && flushToDisk(temporary);
  } catch (const cv::Exception&) {
    written = false;
  }
  std::error_code error;
  if (written) fs::rename(temporary, final, error);
  if (!written || error) {
    fs::remove(temporary, error);
    partialPending = false;
    throw WorkFailure("cannot write " + target + (written ? ": " + error.message() : std::string()) +
                      " (any earlier file of that name is unchanged)");
  }
  partialPending = false;
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  replaceFile(path, [&](const std::string& temporary) {
    std::FILE* file = openFile(fs::u8path(temporary), "wb");
    if (!file) return false;
    const bool all = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && all;
  });
}

void writeImage(const std::string& path, const cv::Mat& image) {
  std::vector<unsigned char> bytes;
  if (!cv::imencode(fs::u8path(path).extension().string(), image, bytes))
    throw WorkFailure("cannot encode the image for " + path);
  writeBytes(path, bytes);
}

void removePartialOutputOnInterrupt() {
  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);
}

}  // namespace talmeq::cli
