// What the calibration-file harnesses check: the library's reading against
// OpenCV's own reading of the same file, and the exports that read and
// rewrite the file.
#pragma once

#include <calibrationFile.h>
#include <opencv2/imgproc.hpp>
#include <talmeqAlgorithm.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace talmeq::fuzz {

// One scratch file per fuzzing process and extension, in the temporary folder.
inline std::string scratchFile(const std::string& extension) {
  return (std::filesystem::temp_directory_path() / ("talmeq-fuzz-" + std::to_string(getpid()) + extension))
      .string();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

[[noreturn]] inline void finding(const char* what) {
  std::fprintf(stderr, "finding: %s\n", what);
  std::abort();
}

// The eleven values as OpenCV's parser reads the file: cv::read with the
// default 0.0 for the reals, and "RoI" only from a sequence of four numbers.
inline CalibrationValues readWithOpenCv(const std::string& path) {
  cv::FileStorage storage(path, cv::FileStorage::READ, std::string());
  if (!storage.isOpened()) finding("OpenCV does not open a file the library reads");
  const auto real = [&](const char* key) {
    double value = 0.0;
    cv::read(storage[key], value, 0.0);
    return value;
  };
  CalibrationValues v{real("k"),     real("b"),      real("initialX"), real("initialY"), real("scale"), real("dist"),
                      real("initZ"), real("focusD"), cv::Rect(),       real("offsetX"),  real("offsetY")};
  const cv::FileNode region = storage["RoI"];
  bool numbers = region.isSeq() && region.size() == 4;
  for (int i = 0; numbers && i < 4; ++i) numbers = region[i].isInt() || region[i].isReal();
  if (numbers) cv::read(region, v.roi, cv::Rect());
  return v;
}

// Equal bit for bit, NaNs and signed zeros included.
inline bool identical(const CalibrationValues& a, const CalibrationValues& b) {
  const double left[] = {a.k, a.b, a.initialX, a.initialY, a.scale, a.dist, a.initZ, a.focusD, a.offsetX, a.offsetY};
  const double right[] = {b.k, b.b, b.initialX, b.initialY, b.scale, b.dist, b.initZ, b.focusD, b.offsetX, b.offsetY};
  return std::memcmp(left, right, sizeof left) == 0 && a.roi == b.roi;
}

// Equal as numbers (a zero's sign may change on the way through a file),
// any NaN equal to any other.
inline bool equalValues(const CalibrationValues& a, const CalibrationValues& b) {
  const double left[] = {a.k, a.b, a.initialX, a.initialY, a.scale, a.dist, a.initZ, a.focusD, a.offsetX, a.offsetY};
  const double right[] = {b.k, b.b, b.initialX, b.initialY, b.scale, b.dist, b.initZ, b.focusD, b.offsetX, b.offsetY};
  for (int i = 0; i < 10; ++i)
    if (left[i] != right[i] && !(std::isnan(left[i]) && std::isnan(right[i]))) return false;
  return a.roi == b.roi;
}

// A file the library reads must read the same through OpenCV's parser (which
// must neither fail, hang nor crash on it); one it refuses must raise
// OpenCV's parse error and nothing else.
inline void checkAgainstOpenCv(const std::string& path) {
  CalibrationValues ours;
  try {
    if (!readCalibration(path, ours)) finding("a regular file does not open");
  } catch (const cv::Exception& error) {
    if (error.code != cv::Error::StsParseError) finding("a refusal that is not a parse error");
    return;
  }
  if (!identical(ours, readWithOpenCv(path))) finding("OpenCV reads other values");
}

// A frame with a saturated spot, large enough for the usual windows.
inline const cv::Mat& spotFrame() {
  static const cv::Mat scene = [] {
    cv::Mat image(240, 320, CV_8UC3, cv::Scalar(40, 40, 40));
    cv::circle(image, {150, 120}, 3, cv::Scalar(255, 255, 255), cv::FILLED);
    return image;
  }();
  return scene;
}

// The height measurement and the correction on the file: each may return its
// codes or raise OpenCV's error (a file that does not parse, a window outside
// the frame), and the correction must rewrite every file that parses with
// every value as read and "initZ" shifted.
inline void checkExportsOn(const std::string& path) {
  double height = 0.0, axisZ = 0.0;
  try {
    const int result = getPlaneHeightByLinear(spotFrame(), path, height, axisZ);
    if (result != 0 && result != -1 && result != -3) finding("an unexpected measurement result");
  } catch (const cv::Exception&) {
  }
  CalibrationValues before, after;
  try {
    if (!readCalibration(path, before)) finding("a regular file does not open");
  } catch (const cv::Exception&) {
    return;
  }
  if (correctYml(-1.0, 2.0, path) != 0) finding("the correction fails on a file that parses");
  if (!readCalibration(path, after)) finding("the rewritten file does not open");
  before.initZ += 3.0;
  if (!equalValues(before, after)) finding("the correction changed other values");
}

}  // namespace talmeq::fuzz
