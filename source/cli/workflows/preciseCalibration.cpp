// The precise height calibration of the tool (see preciseCalibration.h).
#include "preciseCalibration.h"

#include "failures.h"
#include "libraryCall.h"
#include "output.h"

namespace talmeq::cli {

CalibrationPoint preciseSpot(const HeightRow& row, const cv::Mat& image) {
  const SpotReading reading = callExport("readSpot", [&] { return readSpot(image); });
  if (!reading.hasCentre())
    throw WorkFailure(row.image + ": readSpot found no spot; a calibration frame must show the laser spot");
  if (reading.status == SpotStatus::kAmbiguous) {
    const auto at = [](cv::Point2d p) { return "(" + fixed(p.x, 1) + ", " + fixed(p.y, 1) + ")"; };
    throw WorkFailure(row.image + ": readSpot found two spots, at " + at(reading.centre) + " and a rival at " +
                      at(reading.runnerUpCentre) + " with " + fixed(100.0 * reading.runnerUp, 0) +
                      " % of its strength; a calibration frame must show one spot");
  }
  return {row.height, row.image, reading.detectorSpot, 0.0, 0.0, 0.0, reading};
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
  requireWritten(ymlPath, run.file);
}

}  // namespace talmeq::cli
