// The height road of the tool (see heightWorkflow.h).
#include "heightWorkflow.h"

#include <talmeq/explanations.h>
#include <talmeq/resultCodes.h>
#include <talmeqAlgorithm.h>

#include <cmath>
#include <functional>
#include <string_view>

#include "failures.h"
#include "imageFiles.h"
#include "output.h"
#include "terminal.h"

namespace talmeq::cli {
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

// The calibration point of one row's image from readSpot; WorkFailure
// naming the image when it holds no spot or an ambiguous one.
CalibrationPoint preciseSpot(const HeightRow& row, const cv::Mat& image) {
  const SpotReading reading = callExport("readSpot", [&] { return readSpot(image); });
  if (!reading.hasCentre())
    throw WorkFailure(row.image + ": readSpot found no spot; a calibration frame must show the laser spot");
  if (reading.status == SpotStatus::kAmbiguous) {
    const auto at = [](cv::Point2d p) { return "(" + decimalText(p.x, 1) + ", " + decimalText(p.y, 1) + ")"; };
    throw WorkFailure(row.image + ": readSpot found two spots, at " + at(reading.centre) + " and a rival at " +
                      at(reading.runnerUpCentre) + " with " + decimalText(100.0 * reading.runnerUp, 0) +
                      " % of its strength; a calibration frame must show one spot");
  }
  return {row.height, row.image, reading.detectorSpot, 0.0, 0.0, 0.0, reading};
}

void measurePrecisely(const cv::Mat& image, const std::string& yml, CharacterizedRow& row) {
  const HeightReading reading = readHeight(image, yml);
  row.status = toText(reading.status);
  row.wholePixelCalibration = reading.wholePixelCalibration;
  const bool known = reading.status == HeightStatus::kMeasured || reading.status == HeightStatus::kOutOfRange;
  if (!known || !std::isfinite(reading.height)) {
    row.reason = "no height: " + row.status;
    return;
  }
  row.sample.measured = true;
  row.sample.height = reading.height;
  row.sample.uncertainty = std::isfinite(reading.heightUncertainty) ? reading.heightUncertainty : 0.0;
  row.spot = reading.spot.centre;
}

void measureWholePixels(const cv::Mat& image, const std::string& yml, CharacterizedRow& row) {
  const HeightMeasurement m = measureHeight(image, yml);
  row.status = m.code == kOk ? "measured" : m.code == kOutOfRange ? "outOfRange" : "result " + std::to_string(m.code);
  if (!m.hasHeights() || !m.failure.empty() || !std::isfinite(m.height)) {
    row.reason = m.failure.empty() ? "no height" : m.failure;
    return;
  }
  row.sample.measured = true;
  row.sample.height = m.height;
  row.spot = cv::Point2d(m.trace.spot);
  // A whole-pixel reading moves in steps of about one pixel of the spot's
  // distance: the stability series needs that step to bound a drift its
  // unchanging readings cannot resolve.
  if (row.sample.timed) {
    const double step = readHeight(image, yml).heightPerPixel;
    if (std::isfinite(step)) row.sample.step = step;
  }
}

// Identifies a frame by its pixels, so that one frame listed twice is seen.
std::uint64_t frameDigest(const cv::Mat& image) {
  const cv::Mat pixels = image.isContinuous() ? image : image.clone();
  const std::string_view bytes(reinterpret_cast<const char*>(pixels.data), pixels.total() * pixels.elemSize());
  const std::uint64_t digest = std::hash<std::string_view>{}(bytes);
  return digest == 0 ? 1 : digest;
}

}  // namespace

void requireUsableSeries(const std::vector<HeightRow>& rows) {
  if (rows.size() < kMinCalibrationPoints)
    throw UsageError("a calibration needs at least " + std::to_string(kMinCalibrationPoints) +
                     " heights, the series has " + std::to_string(rows.size()));
  if (rows.front().height == rows.back().height)
    throw UsageError("the first and the last height of the series must differ");
}

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
    throw WorkFailure("the fit is not a finite number (k = " + decimalText(run.file.k, 6) +
                      ", b = " + decimalText(run.file.b, 6) + ", average error " + decimalText(run.averageError, 4) +
                      "): check the heights and the four settings; nothing was written");
}

void writeCalibration(HeightCalibrationRun& run, const std::string& ymlPath) {
  std::vector<double> heights;
  std::vector<cv::Point> coords;
  for (const CalibrationPoint& point : run.points) {
    heights.push_back(point.height);
    coords.push_back(point.spot);
  }
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

HeightMeasurement measureHeight(const cv::Mat& image, const std::string& ymlPath) {
  HeightMeasurement m;
  m.code = callExport("getPlaneHeightByLinear",
                      [&] { return getPlaneHeightByLinear(image, ymlPath, m.height, m.absolute); });
  double height = 0.0, absolute = 0.0;
  recordHeightMeasurement(image, ymlPath, height, absolute, m.trace);
  m.failure = measureFailureReason(m.code, m.trace, m.height, m.absolute);
  return m;
}

std::vector<CharacterizedRow> measureRows(const std::vector<HeightRow>& rows, const std::string& yml, bool precise) {
  std::vector<CharacterizedRow> measured;
  Progress progress("characterize", rows.size());
  for (const HeightRow& r : rows) {
    progress.step(r.image);
    CharacterizedRow row;
    row.image = r.image;
    row.sample.trueHeight = r.height;
    row.sample.timed = r.timed;
    row.sample.time = r.time;
    const ImageRead read = tryReadImage(r.image);
    if (!read.problem.empty()) {
      row.status = "unreadable";
      row.reason = read.problem;
    } else {
      row.sample.frame = frameDigest(read.image);
      try {
        precise ? measurePrecisely(read.image, yml, row) : measureWholePixels(read.image, yml, row);
      } catch (const std::exception& error) {
        row.status = "failed";
        row.reason = error.what();
      }
    }
    measured.push_back(row);
  }
  return measured;
}

}  // namespace talmeq::cli
