// fitHeightModel: the whole-pixel calibration's fit (reference point,
// projected displacements, least-squares line, window) on sub-pixel centres.
#include <talmeq/heightReading.h>

#include <algorithm>
#include <cmath>

#include "calibrationFile.h"
#include "calibrationKeys.h"
#include "linearCalibration.h"
#include "numericConversion.h"
#include "talmeqInternal.h"

namespace talmeq::detail {
namespace {

void requireUsableSeries(const std::vector<double>& heights, const std::vector<cv::Point2d>& centres) {
  if (heights.size() != centres.size())
    CV_Error(cv::Error::StsBadArg, "fitHeightModel: heights and centres differ in length");
  if (heights.size() < kMinCalibrationPoints)
    CV_Error(cv::Error::StsBadArg, "fitHeightModel: fewer than 3 calibration points");
  const bool finite = std::all_of(heights.begin(), heights.end(), [](double h) { return std::isfinite(h); }) &&
                      std::all_of(centres.begin(), centres.end(),
                                  [](const cv::Point2d& c) { return std::isfinite(c.x) && std::isfinite(c.y); });
  if (!finite) CV_Error(cv::Error::StsBadArg, "fitHeightModel: a height or centre is not finite");
  if (heights.front() == heights.back())
    CV_Error(cv::Error::StsBadArg, "fitHeightModel: the first and last heights are equal");
}

bool readSettings(const std::string& path, CalibrationValues& values) {
  try {
    return readFixedSettings(path, values) && values.dist != 0.0;
  } catch (const cv::Exception&) {
    return false;  // a file that does not parse holds no settings
  }
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

HeightModel fitHeightModel(const std::vector<double>& heights, const std::vector<cv::Point2d>& centres,
                           const std::string& ymlPath) {
  return fitHeightModel(heights, centres, ymlPath, ModelFitOptions{});
}

HeightModel fitHeightModel(const std::vector<double>& heights, const std::vector<cv::Point2d>& centres,
                           const std::string& ymlPath, const ModelFitOptions& options) {
  detail::requireUsableSeries(heights, centres);
  HeightModel model;
  CalibrationValues values;
  if (!detail::readSettings(ymlPath, values)) return model;
  const bool keepWhole = !options.replaceWithPoorFit && detail::holdsCalibration(ymlPath);

  const LinearFitPreview fit = previewLinearFit(heights, centres, values);
  values = fit.values;
  const std::vector<double>& displacements = fit.displacements;

  model.k = values.k;
  model.b = values.b;
  model.reference = {values.initialX, values.initialY};
  model.window = values.roi;
  double sum = 0.0;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    model.errors.push_back(std::fabs(values.k * displacements[i] + values.b - heights[i]));
    sum += model.errors.back();
  }
  model.averageError = sum / static_cast<double>(heights.size());
  const bool poor = model.averageError > kMaxAverageError;
  if (poor && keepWhole) {
    model.status = ModelStatus::kKept;
    return model;
  }
  model.status = !detail::writeCalibration(ymlPath, values) ? ModelStatus::kNotWritten
                 : poor                                     ? ModelStatus::kPoorFit
                                                            : ModelStatus::kWritten;
  return model;
}

}  // namespace talmeq
