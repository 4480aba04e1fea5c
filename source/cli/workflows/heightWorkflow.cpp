// The height road of the tool (see heightWorkflow.h).
#include "heightWorkflow.h"

#include <talmeq/resultCodes.h>
#include <talmeqAlgorithm.h>

#include <cmath>

#include "failures.h"
#include "imageFiles.h"
#include "libraryCall.h"
#include "measureReasons.h"
#include "output.h"
#include "preciseCalibration.h"
#include "resultCodes.h"
#include "spotReasons.h"
#include "terminal.h"

namespace talmeq::cli {
namespace {

void seriesOf(const HeightCalibrationRun& run, std::vector<double>& heights, std::vector<cv::Point>& coords) {
  for (const CalibrationPoint& point : run.points) {
    heights.push_back(point.height);
    coords.push_back(point.spot);
  }
}

}  // namespace

void requireUsableSeries(const std::vector<HeightRow>& rows) {
  if (rows.size() < kMinCalibrationPoints)
    throw UsageError("a calibration needs at least " + std::to_string(kMinCalibrationPoints) +
                     " heights, the series has " + std::to_string(rows.size()));
  if (rows.front().height == rows.back().height)
    throw UsageError("the first and the last height of the series must differ");
}

namespace {

// The whole-pixel spot of one frame from one detection: the detector's
// record, which getSpotCoord's result always agrees with.
CalibrationPoint detectedSpot(const HeightRow& row, const cv::Mat& image, std::vector<std::string>& warnings) {
  const SpotDetectionRecord trace = callExport("getSpotCoord", [&] { return recordSpotDetection(image); });
  if (trace.outcome != DetectionOutcome::kFound) {
    const int code = trace.outcome == DetectionOutcome::kNoBlob ? kNoResult : kBadInput;
    throw WorkFailure(row.image + ": getSpotCoord returned " + std::to_string(code) + ": " +
                      spotFailureReason(image, trace));
  }
  const std::string warning = spotWarning(trace);
  if (!warning.empty()) warnings.push_back(row.image + ": " + warning);
  return {row.height, row.image, trace.spot, 0.0, 0.0, 0.0, std::nullopt};
}

}  // namespace

HeightCalibrationRun findSpots(const std::vector<HeightRow>& rows, bool precise) {
  for (const HeightRow& row : rows) requireExistingFile(row.image);
  HeightCalibrationRun run;
  Progress progress("spot", rows.size());
  for (const HeightRow& row : rows) {
    progress.step(row.image);
    const cv::Mat image = readImage(row.image);
    run.points.push_back(precise ? preciseSpot(row, image) : detectedSpot(row, image, run.warnings));
  }
  return run;
}

void planCalibration(HeightCalibrationRun& run, const HeightCalibration& settings) {
  std::vector<double> heights;
  std::vector<cv::Point2d> spots;
  for (const CalibrationPoint& point : run.points) {
    heights.push_back(point.height);
    spots.push_back(point.precise ? point.precise->centre : cv::Point2d(point.spot));
  }
  const LinearFitPreview fit = previewLinearFit(heights, spots, settings);
  run.file = fit.values;
  double sum = 0.0;
  for (std::size_t i = 0; i < run.points.size(); ++i) {
    CalibrationPoint& point = run.points[i];
    point.displacement = fit.displacements[i];
    point.fitted = run.file.k * point.displacement + run.file.b;
    point.error = point.fitted - point.height;  // signed, as characterize's: the reading minus the true height
    sum += std::fabs(point.error);
  }
  run.averageError = sum / static_cast<double>(run.points.size());
  if (!std::isfinite(run.file.k) || !std::isfinite(run.file.b) || !std::isfinite(run.averageError))
    throw WorkFailure("the fit is not a finite number (k = " + fixed(run.file.k, 6) + ", b = " + fixed(run.file.b, 6) +
                      ", average error " + fixed(run.averageError, 4) +
                      "): check the heights and the four settings; nothing was written");
}

void writeCalibration(HeightCalibrationRun& run, const std::string& ymlPath) {
  std::vector<double> heights;
  std::vector<cv::Point> coords;
  seriesOf(run, heights, coords);
  run.code =
      callExport("getCalibrationParamByLinear", [&] { return getCalibrationParamByLinear(heights, coords, ymlPath); });
  if (run.code != -1) requireSuccess("getCalibrationParamByLinear", run.code, ymlPath);
  requireWritten(ymlPath, run.file);
}

void requireWindowHoldsSpots(const HeightCalibrationRun& run) {
  const cv::Rect& window = run.file.roi;
  std::string outside;
  for (const CalibrationPoint& point : run.points)
    if (!window.contains(point.spot)) outside += (outside.empty() ? "" : ", ") + point.image;
  if (outside.empty()) return;
  throw WorkFailure("the fitted search window [" + std::to_string(window.x) + ", " + std::to_string(window.y) + ", " +
                    std::to_string(window.width) + ", " + std::to_string(window.height) + "] leaves out the spots of " +
                    outside + ": the heights and the four settings (scale, dist, initZ, focusD) disagree");
}

HeightCalibrationRun calibrateHeights(const std::vector<HeightRow>& rows, const std::string& ymlPath) {
  requireUsableSeries(rows);
  HeightCalibrationRun run = findSpots(rows, false);
  const HeightCalibration settings = readCalibrationFile(ymlPath).values;
  requireSettings(settings, ymlPath);
  planCalibration(run, settings);
  writeCalibration(run, ymlPath);
  return run;
}

HeightMeasurement measureHeight(const cv::Mat& image, const std::string& ymlPath) {
  HeightMeasurement m;
  m.code = callExport("getPlaneHeightByLinear",
                      [&] { return getPlaneHeightByLinear(image, ymlPath, m.height, m.absolute); });
  double height = 0.0, absolute = 0.0;
  recordHeightMeasurement(image, ymlPath, height, absolute, m.trace);
  m.failure = measureFailureReason(m.code, m.trace, m.height, m.absolute);
  return m;
}

}  // namespace talmeq::cli
