// The height calibration file as the tool checks it (see heightCalibrationFile.h).
#include "heightCalibrationFile.h"

#include <array>
#include <cmath>

#include "failures.h"
#include "imageFiles.h"
#include "outputFiles.h"

namespace talmeq::cli {
namespace {

std::array<double, 10> reals(const HeightCalibration& v) {
  return {v.k, v.b, v.initialX, v.initialY, v.scale, v.dist, v.initZ, v.focusD, v.offsetX, v.offsetY};
}

}  // namespace

CalibrationFileContent readCalibrationFile(const std::string& path) {
  requireExistingFile(path);
  CalibrationFileContent file = inspectCalibrationFile(path);
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
}

void requireSettings(const HeightCalibration& s, const std::string& source) {
  if (!(std::isfinite(s.scale) && s.scale > 0.0)) throw UsageError(source + ": scale must be a positive number");
  // Every height the search window spans must lie below dist: at dist and
  // above, the projection d * scale * (dist - h) / dist vanishes or turns
  // over, and a dist near 0 makes every measured height 0.
  const double top = kWindowStartHeight + kWindowSpan;
  if (!(std::isfinite(s.dist) && s.dist > top))
    throw UsageError(source + ": dist must be a number above " + std::to_string(static_cast<int>(top)) +
                     ", the highest height the search window spans");
  if (!std::isfinite(s.initZ) || !std::isfinite(s.focusD))
    throw UsageError(source + ": initZ and focusD must be finite numbers");
}

bool writeSettings(const std::string& path, const StationSettings& settings) {
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
