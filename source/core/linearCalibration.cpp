// The linear height calibration, its search window and the correction of
// the height offset.
#include "linearCalibration.h"

#include <algorithm>
#include <cmath>

#include "callFrame.h"
#include "numericConversion.h"
#include "talmeqInternal.h"

namespace talmeq::detail::linear {
namespace {

// A window needs finite heights whose first and last differ.
bool heightsSpanARange(const std::vector<double>& heights) {
  const bool finite = std::all_of(heights.begin(), heights.end(), [](double h) { return std::isfinite(h); });
  return finite && heights.front() != heights.back();
}

// Logs the error of every point and their average; returns the average.
double reportFitErrors(const std::vector<double>& heights, const std::vector<double>& displacements,
                       const CalibrationValues& fit) {
  double sum = 0.0;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const double error = std::fabs(fit.k * displacements[i] + fit.b - heights[i]);
    logMessage("err = ", error);
    sum += error;
  }
  const double average = sum / static_cast<double>(heights.size());
  logMessage("average err = ", average);
  return average;
}

}  // namespace

cv::Point2d referencePoint(const std::vector<double>& heights, const std::vector<cv::Point2d>& coords) {
  if (heights[0] == 0.0) return coords[0];
  return {2.0 * coords[0].x - coords[1].x, 2.0 * coords[0].y - coords[1].y};
}

double projectedDisplacement(cv::Point2d spot, cv::Point2d reference, double h, const CalibrationValues& settings) {
  const double dx = spot.x - reference.x;
  const double dy = spot.y - reference.y;
  const double d = std::sqrt(dx * dx + dy * dy);
  return d * settings.scale * (settings.dist - h) / settings.dist;
}

void fitLine(const std::vector<double>& heights, const std::vector<double>& displacements, CalibrationValues& fit) {
  const int n = static_cast<int>(heights.size());
  cv::Mat a = cv::Mat::zeros(n, 2, CV_64F);
  cv::Mat b = cv::Mat::zeros(n, 1, CV_64F);
  for (int i = 0; i < n; ++i) {
    a.at<double>(i, 0) = 1.0;
    a.at<double>(i, 1) = displacements[i];
    b.at<double>(i, 0) = heights[i];
  }
  const cv::Mat normal = a.t() * a;
  const cv::Mat right = a.t() * b;
  cv::Mat x = cv::Mat::zeros(2, 1, CV_64F);
  cv::solve(normal, right, x, cv::DECOMP_LU);
  fit.b = x.at<double>(0, 0);
  fit.k = x.at<double>(1, 0);
}

CalibrationValues fittedCalibration(const std::vector<double>& heights, const std::vector<cv::Point>& coords,
                                    const CalibrationValues& settings, std::vector<double>& displacements) {
  return fittedCalibration(heights, std::vector<cv::Point2d>(coords.begin(), coords.end()), coords, settings,
                           displacements);
}

CalibrationValues fittedCalibration(const std::vector<double>& heights, const std::vector<cv::Point2d>& spots,
                                    const std::vector<cv::Point>& windowCoords, const CalibrationValues& settings,
                                    std::vector<double>& displacements) {
  CalibrationValues values = settings;
  calRoI(heights, windowCoords, values.roi);
  const cv::Point2d reference = referencePoint(heights, spots);
  displacements.assign(heights.size(), 0.0);
  for (std::size_t i = 0; i < heights.size(); ++i)
    displacements[i] = projectedDisplacement(spots[i], reference, heights[i], values);
  fitLine(heights, displacements, values);
  values.initialX = reference.x;
  values.initialY = reference.y;
  values.offsetX = 0.0;
  values.offsetY = 0.0;
  return values;
}

int calibrate(const std::vector<double>& heights, const std::vector<cv::Point>& coords, const std::string& ymlPath) {
  if (heights.size() != coords.size() || heights.size() < kMinCalibrationPoints || !heightsSpanARange(heights))
    return TALMEQ_FAILURE(kCalibrationName, kBadInput);
  CalibrationValues settings;
  if (!readFixedSettings(ymlPath, settings) || settings.dist == 0.0) return TALMEQ_FAILURE(kCalibrationName, kBadInput);
  std::vector<double> displacements;
  const CalibrationValues values = fittedCalibration(heights, coords, settings, displacements);
  for (std::size_t i = 0; i < heights.size(); ++i) logMessage("height = ", heights[i], ", coord = ", coords[i]);
  writeCalibration(ymlPath, values);

  if (reportFitErrors(heights, displacements, values) > kMaxAverageError)
    return TALMEQ_FAILURE(kCalibrationName, kNoResult);
  logMessage("getCalibrationParamByLinear: end!");
  return kOk;
}

int shiftInitZ(double fromZ, double toZ, const std::string& ymlPath) {
  CalibrationValues values;
  if (!readCalibration(ymlPath, values)) return TALMEQ_FAILURE(kCorrectionName, kBadInput);
  logMessage("correctYml: before initZ = ", values.initZ);
  values.initZ = shiftedInitZ(values.initZ, fromZ, toZ);
  logMessage("correctYml: after initZ = ", values.initZ);
  writeCalibration(ymlPath, values);
  logMessage("correctYml: end!");
  return kOk;
}

}  // namespace talmeq::detail::linear

namespace talmeq::detail {
int calRoI(std::vector<double> heights, std::vector<cv::Point> coords, cv::Rect& roi) {
  try {
    const double dh = heights.back() - heights.front();
    const double kx = static_cast<double>(coords.back().x - coords.front().x) / dh;
    const double ky = static_cast<double>(coords.back().y - coords.front().y) / dh;
    const double x = coords.front().x - (heights.front() - kWindowStartHeight) * kx;
    const double y = coords.front().y - (heights.front() - kWindowStartHeight) * ky;
    roi =
        cv::Rect(truncateToInt(x), truncateToInt(y), truncateToInt(kWindowSpan * kx), truncateToInt(kWindowSpan * ky));
    return kOk;
  } catch (const char*) {
    return TALMEQ_FAILURE("calRoI", kTextException);
  }
}

}  // namespace talmeq::detail
