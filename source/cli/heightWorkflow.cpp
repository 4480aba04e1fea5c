// The height road of the tool (see heightWorkflow.h).
#include "heightWorkflow.h"

#include <talmeqAlgorithm.h>

#include <cmath>

#include "failures.h"
#include "imageFiles.h"
#include "linearCalibration.h"
#include "libraryCall.h"
#include "resultCodes.h"
#include "terminal.h"

namespace talmeq::cli {
namespace {

std::vector<CalibrationPoint> detectSpots(const std::vector<HeightRow>& rows) {
  for (const HeightRow& row : rows) requireExistingFile(row.image);
  std::vector<CalibrationPoint> points;
  Progress progress("spot", rows.size());
  for (const HeightRow& row : rows) {
    progress.step(row.image);
    const cv::Mat image = readImage(row.image);
    CalibrationPoint point{row.height, row.image, {}, 0.0, 0.0, 0.0, std::nullopt};
    const int code = callExport("getSpotCoord", [&] { return getSpotCoord(image, point.spot); });
    requireSuccess("getSpotCoord", code, row.image);
    points.push_back(point);
  }
  return points;
}

}  // namespace

HeightCalibrationRun calibrateHeights(const std::vector<HeightRow>& rows, const std::string& ymlPath) {
  HeightCalibrationRun run;
  run.points = detectSpots(rows);
  std::vector<double> heights;
  std::vector<cv::Point> coords;
  for (const CalibrationPoint& point : run.points) {
    heights.push_back(point.height);
    coords.push_back(point.spot);
  }
  run.code = callExport("getCalibrationParamByLinear",
                        [&] { return getCalibrationParamByLinear(heights, coords, ymlPath); });
  if (run.code != -1) requireSuccess("getCalibrationParamByLinear", run.code, ymlPath);
  scoreAgainstFile(run, ymlPath);
  return run;
}

void scoreAgainstFile(HeightCalibrationRun& run, const std::string& ymlPath) {
  run.file = readHeightCalibration(ymlPath);
  double sum = 0.0;
  for (CalibrationPoint& point : run.points) {
    const cv::Point2d centre = point.precise ? point.precise->centre : cv::Point2d(point.spot);
    point.displacement = linear::projectedDisplacement(centre, {run.file.initialX, run.file.initialY},
                                                       point.height, run.file);
    point.fitted = run.file.k * point.displacement + run.file.b;
    point.error = std::fabs(point.fitted - point.height);
    sum += point.error;
  }
  run.averageError = sum / static_cast<double>(run.points.size());
}

HeightMeasurement measureHeight(const cv::Mat& image, const std::string& ymlPath) {
  HeightMeasurement measurement;
  measurement.code = callExport("getPlaneHeightByLinear", [&] {
    return getPlaneHeightByLinear(image, ymlPath, measurement.height, measurement.axisZ);
  });
  return measurement;
}

MeasureTrace traceMeasurement(const cv::Mat& image, const std::string& ymlPath) {
  MeasureTrace trace;
  double height = 0.0, axisZ = 0.0;
  measurePlaneHeight(image, ymlPath, height, axisZ, region::locateInRegion, trace);
  return trace;
}

}  // namespace talmeq::cli
