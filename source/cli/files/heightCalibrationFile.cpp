// The height calibration file as the tool checks it (see heightCalibrationFile.h).
#include "heightCalibrationFile.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <opencv2/core/persistence.hpp>

#include "failures.h"
#include "imageFiles.h"
#include "output.h"
#include "outputFiles.h"

namespace talmeq::cli {
namespace {

std::array<double, 10> reals(const HeightCalibration& v) {
  return {v.k, v.b, v.initialX, v.initialY, v.scale, v.dist, v.initZ, v.focusD, v.offsetX, v.offsetY};
}

// A camera file of calib-chess or calib-aruco, which the height calibration's
// reader cannot parse: its matrices are in OpenCV's own notation.
bool isCameraFile(const std::string& path) {
  try {
    const cv::FileStorage storage(path, cv::FileStorage::READ);
    return storage.isOpened() && !storage["camera_matrix"].empty();
  } catch (const cv::Exception&) {
    return false;
  }
}

// The offsets as written and the search window's corner they give must lie
// in the int range: OpenCV's file reader, and the library's after it, wrap
// an integer beyond it (offsetX: 3000000000 reads as -1294967296), which
// would put the window somewhere the file never said.
void requireWindowWithinRange(const HeightCalibration& v, const std::string& path) {
  const double limit = std::numeric_limits<int>::max();
  std::ifstream file(std::filesystem::u8path(path));
  for (std::string line; std::getline(file, line);)
    for (const char* key : {"offsetX:", "offsetY:"})
      if (line.rfind(key, 0) == 0 && std::fabs(std::strtod(line.c_str() + std::strlen(key), nullptr)) > limit)
        throw UsageError(path + ": " + line + " lies beyond the int range the file is read in");
  const double x = v.roi.x + v.offsetX, y = v.roi.y + v.offsetY;
  if (std::fabs(x) > limit || std::fabs(y) > limit)
    throw UsageError(path + ": offsetX and offsetY move the search window to (" + decimalText(x, 0) + ", " +
                     decimalText(y, 0) + "), beyond any image");
}

}  // namespace

CalibrationFileContent readCalibrationFile(const std::string& path) {
  requireExistingFile(path);
  CalibrationFileContent file = inspectCalibrationFile(path);
  if (!file.read && isCameraFile(path))
    throw UsageError(path + " holds no calibration (it is a camera file, with camera_matrix): run calibrate first");
  if (!file.read) throw UsageError("not a readable calibration file: " + path + " (" + file.problem + ")");
  return file;
}

void requireCalibration(const CalibrationFileContent& file, const std::string& path) {
  if (!file.missing.empty()) {
    std::string keys;
    for (const std::string& key : file.missing) keys += (keys.empty() ? "" : ", ") + key;
    throw UsageError(path + " holds no calibration (it lacks " + keys + "): run calibrate first");
  }
  const std::array<double, 10> values = reals(file.values);
  for (std::size_t i = 0; i < values.size(); ++i)
    if (!std::isfinite(values[i]))
      throw UsageError(path + " holds a value that is not a finite number: " + kCalibrationKeys[i < 8 ? i : i + 1]);
  requireSettings(file.values, path);
  requireWindowWithinRange(file.values, path);
}

void requireSettings(const HeightCalibration& settings, const std::string& source) {
  const std::string problem = settingsProblem(settings);
  if (!problem.empty()) throw UsageError(source + ": " + problem);
}

bool writeSettings(const std::string& path, const HeightCalibration& settings) {
  cv::FileStorage storage(path, cv::FileStorage::WRITE);
  if (!storage.isOpened()) return false;
  storage << "scale" << settings.scale << "dist" << settings.dist << "initZ" << settings.initZ << "focusD"
          << settings.focusD;
  storage.release();
  return true;
}

void requireWritten(const std::string& path, const HeightCalibration& expected) {
  const CalibrationFileContent file = inspectCalibrationFile(path);
  if (!file.read || file.values.roi != expected.roi || reals(file.values) != reals(expected))
    throw WorkFailure("the calibration file was not written: " + path + " does not hold the new values");
}

}  // namespace talmeq::cli
