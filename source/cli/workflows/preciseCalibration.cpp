// The precise height calibration of the tool (see preciseCalibration.h).
#include "preciseCalibration.h"

#include <cmath>

#include "failures.h"
#include "imageFiles.h"
#include "libraryCall.h"
#include "linearCalibration.h"
#include "output.h"
#include "terminal.h"

namespace talmeq::cli {

HeightCalibrationRun readSpotsPrecisely(const std::vector<HeightRow>& rows) {
  for (const HeightRow& row : rows) requireExistingFile(row.image);
  HeightCalibrationRun run;
  Progress progress("spot", rows.size());
  for (const HeightRow& row : rows) {
    progress.step(row.image);
    const cv::Mat image = readImage(row.image);
    const SpotReading reading = callExport("readSpot", [&] { return readSpot(image); });
    if (!reading.hasCentre() || reading.status == SpotStatus::kAmbiguous)
      throw WorkFailure(row.image + ": readSpot found " + toText(reading.status));
    run.points.push_back({row.height, row.image, reading.detectorSpot, 0.0, 0.0, 0.0, reading});
  }
  return run;
}

void fitPrecisely(HeightCalibrationRun& run, const std::string& ymlPath) {
  std::vector<double> heights;
  std::vector<cv::Point2d> centres;
  for (const CalibrationPoint& point : run.points) {
    heights.push_back(point.height);
    centres.push_back(point.precise->centre);
  }
  // The fit goes into a draft that is published only when accepted, so the
  // draft takes a poor fit too, for the report.
  const ModelFitOptions intoDraft{true};
  const HeightModel model =
      callExport("fitHeightModel", [&] { return fitHeightModel(heights, centres, ymlPath, intoDraft); });
  if (model.status == ModelStatus::kNoSettings || model.status == ModelStatus::kNotWritten)
    throw WorkFailure(ymlPath + ": fitHeightModel: " + toText(model.status));
  run.code = model.status == ModelStatus::kPoorFit ? -1 : 0;
  run.file = readCalibrationFile(ymlPath).values;
  double sum = 0.0;
  for (CalibrationPoint& point : run.points) {
    point.displacement = linear::projectedDisplacement(point.precise->centre, {run.file.initialX, run.file.initialY},
                                                       point.height, run.file);
    point.fitted = run.file.k * point.displacement + run.file.b;
    point.error = std::fabs(point.fitted - point.height);
    sum += point.error;
  }
  run.averageError = sum / static_cast<double>(run.points.size());
  if (!std::isfinite(run.file.k) || !std::isfinite(run.file.b) || !std::isfinite(run.averageError))
    throw WorkFailure(ymlPath + ": the precise fit is not a finite number (k = " + fixed(run.file.k, 6) +
                      ", b = " + fixed(run.file.b, 6) + ")");
}

}  // namespace talmeq::cli
