// What the calibration-file harnesses check: the library's reading against
// OpenCV's own reading of the same file, and the exports that read and
// rewrite the file.
#pragma once

#include <calibrationFile.h>
#include <talmeqAlgorithm.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <opencv2/imgproc.hpp>
#include <string>

namespace talmeq::fuzz {

// Writes `bytes` to the fuzzing process's scratch file with `extension`, in
// the temporary folder, and returns its path.
inline std::string writeScratch(const std::string& extension, const std::string& bytes) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("talmeq-fuzz-" + std::to_string(getpid()) + extension)).string();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

// The eleven values as OpenCV's parser reads the file: cv::read with the
// default 0.0 for the reals, and "RoI" only from a sequence of four numbers.
inline CalibrationValues readWithOpenCv(const std::string& path) {
  cv::FileStorage storage(path, cv::FileStorage::READ, std::string());
  if (!storage.isOpened()) std::abort();  // OpenCV does not open a file the library reads
  const auto real = [&](const char* key) {
    double value = 0.0;
    cv::read(storage[key], value, 0.0);
    return value;
  };
  CalibrationValues v{real("k"),     real("b"),      real("initialX"), real("initialY"), real("scale"),  real("dist"),
                      real("initZ"), real("focusD"), cv::Rect(),       real("offsetX"),  real("offsetY")};
  const cv::FileNode region = storage["RoI"];
  bool numbers = region.isSeq() && region.size() == 4;
  for (int i = 0; numbers && i < 4; ++i) numbers = region[i].isInt() || region[i].isReal();
  if (numbers) cv::read(region, v.roi, cv::Rect());
  return v;
}

// Equal bit for bit, or (`asNumbers`) equal as numbers with any NaN equal
// to any other: a zero's sign and a NaN's bits may change on the way
// through a file.
inline bool sameValues(const CalibrationValues& a, const CalibrationValues& b, bool asNumbers) {
  const double left[] = {a.k, a.b, a.initialX, a.initialY, a.scale, a.dist, a.initZ, a.focusD, a.offsetX, a.offsetY};
  const double right[] = {b.k, b.b, b.initialX, b.initialY, b.scale, b.dist, b.initZ, b.focusD, b.offsetX, b.offsetY};
  for (int i = 0; i < 10; ++i) {
    const bool same = asNumbers ? left[i] == right[i] || (std::isnan(left[i]) && std::isnan(right[i]))
                                : std::memcmp(&left[i], &right[i], sizeof(double)) == 0;
    if (!same) return false;
  }
  return a.roi == b.roi;
}

// A file the library reads must read the same through OpenCV's parser (which
// must neither fail, hang nor crash on it); one it refuses must raise
// OpenCV's parse error and nothing else.
inline void checkAgainstOpenCv(const std::string& path) {
  CalibrationValues ours;
  try {
    if (!detail::readCalibration(path, ours)) std::abort();  // a regular file does not open
  } catch (const cv::Exception& error) {
    if (error.code != cv::Error::StsParseError) std::abort();  // a refusal that is not a parse error
    return;
  }
  if (!sameValues(ours, readWithOpenCv(path), false)) std::abort();  // OpenCV reads other values
}

// The height measurement and the correction on the file: each may return its
// codes or raise OpenCV's error (a file that does not parse, a window outside
// the frame), and the correction must rewrite every file that parses with
// every value as read and "initZ" shifted.
inline void checkExportsOn(const std::string& path) {
  static const cv::Mat frame = [] {  // a saturated spot, the frame large enough for the usual windows
    cv::Mat image(240, 320, CV_8UC3, cv::Scalar(40, 40, 40));
    cv::circle(image, {150, 120}, 3, cv::Scalar(255, 255, 255), cv::FILLED);
    return image;
  }();
  double height = 0.0, axisZ = 0.0;
  try {
    const int result = getPlaneHeightByLinear(frame, path, height, axisZ);
    if (result != 0 && result != -1 && result != -3) std::abort();  // an unexpected measurement result
  } catch (const cv::Exception&) {
  }
  CalibrationValues before, after;
  try {
    if (!detail::readCalibration(path, before)) std::abort();  // a regular file does not open
  } catch (const cv::Exception&) {
    return;
  }
  if (correctYml(-1.0, 2.0, path) != 0) std::abort();       // the correction fails on a file that parses
  if (!detail::readCalibration(path, after)) std::abort();  // the rewritten file does not open
  before.initZ += 3.0;
  if (!sameValues(before, after, true)) std::abort();  // the correction changed other values
}

}  // namespace talmeq::fuzz
