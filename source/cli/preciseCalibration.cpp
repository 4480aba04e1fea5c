// The precise height calibration of the tool (see preciseCalibration.h).
#include "preciseCalibration.h"

#include "failures.h"
#include "imageFiles.h"
#include "libraryCall.h"
#include "terminal.h"

namespace talmeq::cli {

HeightCalibrationRun calibrateHeightsPrecisely(const std::vector<HeightRow>& rows, const std::string& ymlPath) {
  for (const HeightRow& row : rows) requireExistingFile(row.image);
  HeightCalibrationRun run;
  std::vector<double> heights;
  std::vector<cv::Point2d> centres;
  Progress progress("spot", rows.size());
  for (const HeightRow& row : rows) {
    progress.step(row.image);
    const cv::Mat image = readImage(row.image);
    const SpotReading reading = callExport("readSpot", [&] { return readSpot(image); });
    if (!reading.hasCentre() || reading.status == SpotStatus::kAmbiguous)
      throw LibraryFailure(row.image + ": readSpot found " + toText(reading.status));
    run.points.push_back({row.height, row.image, reading.detectorSpot, 0.0, 0.0, 0.0, reading});
    heights.push_back(row.height);
    centres.push_back(reading.centre);
  }
  const HeightModel model = callExport("fitHeightModel", [&] { return fitHeightModel(heights, centres, ymlPath); });
  if (model.status == ModelStatus::kNoSettings || model.status == ModelStatus::kNotWritten)
    throw LibraryFailure(ymlPath + ": fitHeightModel: " + toText(model.status));
  run.code = model.status == ModelStatus::kPoorFit ? -1 : 0;
  scoreAgainstFile(run, ymlPath);
  return run;
}

}  // namespace talmeq::cli
