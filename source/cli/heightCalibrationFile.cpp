// Reading and creating the height calibration file (see heightCalibrationFile.h).
#include "heightCalibrationFile.h"

#include <cmath>

#include "failures.h"
#include "imageFiles.h"

namespace talmeq::cli {

HeightCalibration readHeightCalibration(const std::string& path) {
  requireExistingFile(path);
  cv::FileStorage storage;
  try {
    storage.open(path, cv::FileStorage::READ);
  } catch (const cv::Exception&) {
    throw UsageError("not a readable calibration file: " + path);
  }
  if (!storage.isOpened()) throw UsageError("calibration file cannot be opened: " + path);
  HeightCalibration file;
  const auto real = [&](const char* key, double& value) { cv::read(storage[key], value, 0.0); };
  real("k", file.k);
  real("b", file.b);
  real("initialX", file.initialX);
  real("initialY", file.initialY);
  real("scale", file.scale);
  real("dist", file.dist);
  real("initZ", file.initZ);
  real("focusD", file.focusD);
  cv::read(storage["RoI"], file.roi, cv::Rect());
  real("offsetX", file.offsetX);
  real("offsetY", file.offsetY);
  return file;
}

void writeStartingFile(const std::string& path, const StationSettings& settings) {
  cv::FileStorage storage(path, cv::FileStorage::WRITE);
  if (!storage.isOpened()) throw UsageError("cannot create calibration file: " + path);
  storage << "scale" << settings.scale << "dist" << settings.dist << "initZ" << settings.initZ << "focusD"
          << settings.focusD;
}

double projectedDisplacement(const HeightCalibration& file, const cv::Point& spot, double height) {
  const double dx = spot.x - file.initialX;
  const double dy = spot.y - file.initialY;
  const double d = std::sqrt(dx * dx + dy * dy);
  return d * file.scale * (file.dist - height) / file.dist;
}

cv::Rect searchWindow(const HeightCalibration& file) {
  return {static_cast<int>(file.roi.x + file.offsetX), static_cast<int>(file.roi.y + file.offsetY),
          file.roi.width, file.roi.height};
}

}  // namespace talmeq::cli
