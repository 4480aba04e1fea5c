// Image file input of the tool (see imageFiles.h).
#include "imageFiles.h"

#include <filesystem>
#include <new>
#include <opencv2/imgcodecs.hpp>
#include <utility>

#include "failures.h"
#include "standardErrorCapture.h"

namespace talmeq::cli {
namespace {

std::string depthName(int depth) {
  switch (depth) {
    case CV_16U:
    case CV_16S:
      return "16-bit";
    case CV_32F:
      return "32-bit floating-point";
    case CV_64F:
      return "64-bit floating-point";
    default:
      return "non-8-bit";
  }
}

}  // namespace

void requireExistingFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), error))
    throw UsageError("no such file: " + path);
}

namespace {

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
    read.problem = "a " + depthName(read.image.depth()) +
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

}  // namespace talmeq::cli
