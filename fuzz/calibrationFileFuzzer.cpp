// Fuzzes the calibration-file read path: the input becomes the file that the
// height measurement and the correction read. Each may return its codes or
// raise OpenCV's error (a file that does not parse, a window outside the
// frame), and the correction must rewrite every file that parses.
#include <calibrationFile.h>
#include <opencv2/imgproc.hpp>
#include <talmeqAlgorithm.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzzSupport.h"

namespace {

// One file per fuzzing process, in the temporary folder.
const std::string& filePath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("talmeq-fuzz-" + std::to_string(getpid()) + ".yml")).string();
  return path;
}

// A frame with a saturated spot, large enough for the usual windows.
const cv::Mat& frame() {
  static const cv::Mat scene = [] {
    cv::Mat image(240, 320, CV_8UC3, cv::Scalar(40, 40, 40));
    cv::circle(image, {150, 120}, 3, cv::Scalar(255, 255, 255), cv::FILLED);
    return image;
  }();
  return scene;
}

void writeFile(const std::uint8_t* data, std::size_t size) {
  std::ofstream(filePath(), std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                       static_cast<std::streamsize>(size));
}

bool sameReal(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool sameValues(const talmeq::CalibrationValues& a, const talmeq::CalibrationValues& b) {
  const double left[] = {a.k, a.b, a.initialX, a.initialY, a.scale, a.dist, a.initZ, a.focusD, a.offsetX, a.offsetY};
  const double right[] = {b.k, b.b, b.initialX, b.initialY, b.scale, b.dist, b.initZ, b.focusD, b.offsetX, b.offsetY};
  return std::equal(std::begin(left), std::end(left), std::begin(right), sameReal) && a.roi == b.roi;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talmeq::fuzz::silenceLogger();
  writeFile(data, size);
  double height = 0.0, axisZ = 0.0;
  try {
    const int result = getPlaneHeightByLinear(frame(), filePath(), height, axisZ);
    if (result != 0 && result != -1 && result != -3) std::abort();
  } catch (const cv::Exception&) {
  }
  // The correction rewrites a file that parses with every value as read and
  // "initZ" shifted; one that does not parse is OpenCV's error.
  talmeq::CalibrationValues before, after;
  try {
    if (!talmeq::readCalibration(filePath(), before)) std::abort();  // a regular file always opens
  } catch (const cv::Exception&) {
    return 0;
  }
  if (correctYml(-1.0, 2.0, filePath()) != 0) std::abort();
  if (!talmeq::readCalibration(filePath(), after)) std::abort();
  before.initZ += 3.0;
  if (!sameValues(before, after)) std::abort();
  return 0;
}
