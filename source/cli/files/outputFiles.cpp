// The tool's output files (see outputFiles.h).
#include "outputFiles.h"

#include <talmeq/fileReplacement.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "failures.h"

namespace talmeq::cli {

namespace fs = std::filesystem;

void writeOutput(const std::string& target, const std::function<bool(const std::string& temporary)>& write) {
  bool written = false;
  // The system's reason is taken right where the writing failed: the
  // clean-up that follows a failure sets errno again.
  int reason = 0;
  bool filled = false;
  try {
    written = replaceFile(target, [&](const std::string& temporary) {
      errno = 0;
      filled = write(temporary);
      reason = filled ? 0 : errno;
      return filled;
    });
    if (!written && filled) reason = errno;  // the content was whole: publishing it failed
  } catch (const cv::Exception&) {
    written = false;
  }
  if (!written)
    throw WorkFailure("cannot write " + target + (reason != 0 ? std::string(": ") + std::strerror(reason) : "") +
                      " (any earlier file of that name is unchanged)");
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  writeOutput(path, [&](const std::string& temporary) {
#ifdef _WIN32
    std::FILE* file = _wfopen(fs::u8path(temporary).c_str(), L"wb");
#else
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
#endif
    if (!file) return false;
    const bool all = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && all;
  });
}

void writeImage(const std::string& path, const cv::Mat& image) {
  std::vector<unsigned char> bytes;
  bool encoded = false;
  try {
    encoded = cv::imencode(fs::u8path(path).extension().string(), image, bytes);
  } catch (const cv::Exception& error) {
    throw WorkFailure("cannot encode the image for " + path + ": " + error.err);
  }
  if (!encoded) throw WorkFailure("cannot encode the image for " + path);
  writeBytes(path, bytes);
}

}  // namespace talmeq::cli
