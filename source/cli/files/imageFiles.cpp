// Image file input of the tool (see imageFiles.h).
#include "imageFiles.h"

#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "failures.h"

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

ImageRead tryReadImage(const std::string& path) {
  ImageRead read;
  try {
    read.image = cv::imread(path, cv::IMREAD_COLOR | cv::IMREAD_ANYDEPTH);
  } catch (const cv::Exception&) {
    read.image.release();
  }
  if (read.image.empty()) {
    read.problem = "not a readable image";
  } else if (read.image.depth() != CV_8U) {
    read.problem = "a " + depthName(read.image.depth()) +
                   " image; the tool reads 8-bit images only (scale it to 8 bits by its real range first)";
    read.image.release();
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
