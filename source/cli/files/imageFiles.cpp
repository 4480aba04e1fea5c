// Image file input of the tool, with the decoders' complaints caught (see
// imageFiles.h).
#include "imageFiles.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <new>
#include <opencv2/imgcodecs.hpp>
#include <stdexcept>
#include <utility>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "failures.h"

namespace talmeq::cli {
namespace {

#ifdef _WIN32
int duplicate(int fd) { return _dup(fd); }
int duplicateInto(int fd, int target) { return _dup2(fd, target); }
int closeDescriptor(int fd) { return _close(fd); }
int descriptorOf(std::FILE* file) { return _fileno(file); }
#else
int duplicate(int fd) { return dup(fd); }
int duplicateInto(int fd, int target) { return dup2(fd, target); }
int closeDescriptor(int fd) { return close(fd); }
int descriptorOf(std::FILE* file) { return fileno(file); }
#endif

constexpr int kStandardError = 2;

// Puts the saved standard error back when the catch ends, however it ends.
class Redirection {
 public:
  explicit Redirection(std::FILE* sink) : saved_(duplicate(kStandardError)) {
    std::fflush(stderr);
    if (saved_ >= 0 && duplicateInto(descriptorOf(sink), kStandardError) < 0) {
      closeDescriptor(saved_);
      saved_ = -1;
    }
  }
  ~Redirection() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    duplicateInto(saved_, kStandardError);
    closeDescriptor(saved_);
  }
  Redirection(const Redirection&) = delete;
  Redirection& operator=(const Redirection&) = delete;
  bool active() const { return saved_ >= 0; }

 private:
  int saved_;
};

// Runs `work` with standard error (descriptor 2) sent to a temporary file
// and returns what was written there; the stream is restored afterwards,
// also when `work` throws. Without a temporary file, `work` runs uncaught.
// The image decoders (libpng, libjpeg) write their complaints there, where
// a script reading the tool's output would find lines the tool never wrote.
std::string caughtStandardError(const std::function<void()>& work) {
  std::FILE* sink = std::tmpfile();
  if (sink == nullptr) {
    work();
    return {};
  }
  {
    const Redirection redirection(sink);
    try {
      work();
    } catch (...) {
      std::fclose(sink);
      throw;
    }
    if (!redirection.active()) {
      std::fclose(sink);
      return {};
    }
  }
  std::string text;
  std::rewind(sink);
  char buffer[512];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, sink)) > 0;) text.append(buffer, n);
  std::fclose(sink);
  return text;
}

std::vector<std::string> decoderWarnings;

// The decoder's complaint in one line: its lines joined, the decoder's own
// "libpng warning:" labels kept.
std::string oneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ';';
  return text;
}

}  // namespace

void requireExistingFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), error))
    throw UsageError("no such file: " + path);
}

std::vector<std::string> takeDecoderWarnings() { return std::exchange(decoderWarnings, {}); }

ImageRead tryReadImage(const std::string& path) {
  ImageRead read;
  bool noMemory = false, overLimit = false;
  const std::string complaint = oneLine(caughtStandardError([&] {
    try {
      read.image = cv::imread(path, cv::IMREAD_COLOR | cv::IMREAD_ANYDEPTH);
    } catch (const cv::Exception& error) {
      noMemory = error.code == cv::Error::StsNoMem;
      overLimit = error.err.find("CV_IO_MAX_IMAGE") != std::string::npos;  // the decoders' size limits
      read.image.release();
    } catch (const std::bad_alloc&) {
      noMemory = true;
      read.image.release();
    }
  }));
  if (noMemory) {
    read.problem = "too large to decode in the memory this run may use";
  } else if (overLimit) {
    read.problem = "too large: more pixels than OpenCV's decoders accept (OPENCV_IO_MAX_IMAGE_PIXELS, 2^30 unless set)";
  } else if (read.image.empty()) {
    read.problem = "not a readable image" + (complaint.empty() ? "" : " (the decoder says: " + complaint + ")");
  } else if (read.image.depth() != CV_8U) {
    const int depth = read.image.depth();
    const char* name = depth == CV_16U || depth == CV_16S ? "16-bit"
                       : depth == CV_32F                  ? "32-bit floating-point"
                       : depth == CV_64F                  ? "64-bit floating-point"
                                                          : "non-8-bit";
    read.problem = std::string("a ") + name +
                   " image; the tool reads 8-bit images only (scale it to 8 bits by its real range first)";
    read.image.release();
  } else if (!complaint.empty()) {
    decoderWarnings.push_back(path + ": the decoder complained while reading it (" + complaint +
                              "): part of the image may be missing or damaged");
  }
  return read;
}

cv::Mat readImage(const std::string& path) {
  requireExistingFile(path);
  ImageRead read = tryReadImage(path);
  if (!read.problem.empty()) throw UsageError(path + ": " + read.problem);
  return read.image;
}

BoardDescription readBoardFile(const std::string& path) {
  requireExistingFile(path);
  try {
    return readBoardDescription(path);
  } catch (const std::invalid_argument& error) {
    throw UsageError(path + ": " + error.what());
  }
}

}  // namespace talmeq::cli
