// Reading and creating the height calibration file (see heightCalibrationFile.h).
#include "heightCalibrationFile.h"

#include "failures.h"
#include "imageFiles.h"

namespace talmeq::cli {

HeightCalibration readHeightCalibration(const std::string& path) {
  requireExistingFile(path);
  HeightCalibration file;
  try {
    if (!readCalibration(path, file)) throw UsageError("calibration file cannot be opened: " + path);
  } catch (const cv::Exception&) {
    throw UsageError("not a readable calibration file: " + path);
  }
  return file;
}

void writeStartingFile(const std::string& path, const StationSettings& settings) {
  cv::FileStorage storage(path, cv::FileStorage::WRITE);
  if (!storage.isOpened()) throw UsageError("cannot create calibration file: " + path);
  storage << "scale" << settings.scale << "dist" << settings.dist << "initZ" << settings.initZ << "focusD"
          << settings.focusD;
}

}  // namespace talmeq::cli
