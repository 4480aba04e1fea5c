// The height calibration file as the tool checks it (see heightCalibrationFile.h).
#include "heightCalibrationFile.h"

#include <array>
#include <cmath>

#include "failures.h"
#include "imageFiles.h"
#include "linearCalibration.h"
#include "outputFiles.h"

namespace talmeq::cli {
namespace {

constexpr std::array<const char*, 11> kKeys{"k",     "b",      "initialX", "initialY", "scale",  "dist",
                                            "initZ", "focusD", "RoI",      "offsetX",  "offsetY"};

std::array<double, 10> reals(const HeightCalibration& v) {
  return {v.k, v.b, v.initialX, v.initialY, v.scale, v.dist, v.initZ, v.focusD, v.offsetX, v.offsetY};
}

// The keys the file lacks; "RoI" counts as lacking unless it is four numbers,
// as the library reads it. The library's reader has already accepted the
// text, so opening it again is safe.
std::vector<std::string> missingKeys(const std::string& path) {
  cv::FileStorage storage(path, cv::FileStorage::READ);
  std::vector<std::string> missing;
  for (const char* key : kKeys) {
    const cv::FileNode node = storage[key];
    const bool present = std::string(key) == "RoI" ? node.isSeq() && node.size() == 4 : node.isReal() || node.isInt();
    if (!present) missing.emplace_back(key);
  }
  return missing;
}

}  // namespace

CalibrationFileContent readCalibrationFile(const std::string& path) {
  requireExistingFile(path);
  CalibrationFileContent file;
  try {
    if (!readCalibration(path, file.values)) throw UsageError("calibration file cannot be opened: " + path);
    file.missing = missingKeys(path);
  } catch (const cv::Exception&) {
    throw UsageError("not a readable calibration file: " + path);
  }
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
      throw UsageError(path + " holds a value that is not a finite number: " + kKeys[i < 8 ? i : i + 1]);
  requireSettings(file.values, path);
}

void requireSettings(const HeightCalibration& s, const std::string& source) {
  if (!(std::isfinite(s.scale) && s.scale > 0.0)) throw UsageError(source + ": scale must be a positive number");
  // Every height the search window spans must lie below dist: at dist and
  // above, the projection d * scale * (dist - h) / dist vanishes or turns
  // over, and a dist near 0 makes every measured height 0.
  const double top = linear::kWindowStartHeight + linear::kWindowSpan;
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
  HeightCalibration read;
  bool same = false;
  try {
    same = readCalibration(path, read) && read.roi == expected.roi && reals(read) == reals(expected);
  } catch (const cv::Exception&) {
    same = false;
  }
  if (!same) throw WorkFailure("the calibration file was not written: " + path + " does not hold the new values");
}

}  // namespace talmeq::cli
