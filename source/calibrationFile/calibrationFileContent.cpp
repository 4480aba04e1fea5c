// The calibration file's content and the fit preview (see
// talmeq/calibrationFileContent.h).
#include <talmeq/calibrationFileContent.h>

#include <cmath>

#include "calibrationFile.h"
#include "calibrationText.h"
#include "linearCalibration.h"
#include "numericConversion.h"

namespace talmeq::detail {
namespace {

using calibration::Mapping;
using calibration::Scalar;
using calibration::Value;

// A key is present when the reader takes its value as it stands: a number,
// or for "RoI" a sequence of four numbers.
bool holds(const Mapping& mapping, const std::string& key) {
  const auto found = mapping.find(key);
  if (found == mapping.end()) return false;
  const Value& value = found->second;
  if (key != "RoI") return value.kind == Value::Kind::Scalar && value.scalar.kind != Scalar::Kind::Text;
  if (value.kind != Value::Kind::Sequence || value.elements.size() != 4) return false;
  for (const Scalar& element : value.elements)
    if (element.kind == Scalar::Kind::Text) return false;
  return true;
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

CalibrationFileContent inspectCalibrationFile(const std::string& path) {
  CalibrationFileContent content;
  try {
    std::string bytes;
    if (!detail::readCalibration(path, content.values) || !detail::calibration::loadBytes(path, bytes)) {
      content.problem = "no readable file there";
      return content;
    }
    const detail::Mapping mapping = detail::calibration::readFileMapping(path, bytes);
    for (const char* key : kCalibrationKeys)
      if (!detail::holds(mapping, key)) content.missing.emplace_back(key);
    content.read = true;
  } catch (const cv::Exception& error) {
    content = CalibrationFileContent();
    content.problem = error.err.empty() ? error.what() : error.err;
  }
  return content;
}

std::string settingsProblem(const CalibrationValues& s) {
  if (!(std::isfinite(s.scale) && s.scale > 0.0)) return "scale must be a positive number";
  const double top = kWindowStartHeight + kWindowSpan;
  if (!(std::isfinite(s.dist) && s.dist > top))
    return "dist must be a number above " + std::to_string(static_cast<int>(top)) +
           ", the highest height the search window spans";
  if (!std::isfinite(s.initZ) || !std::isfinite(s.focusD)) return "initZ and focusD must be finite numbers";
  return {};
}

LinearFitPreview previewLinearFit(const std::vector<double>& heights, const std::vector<cv::Point2d>& spots,
                                  const CalibrationValues& settings) {
  CV_CheckEQ(heights.size(), spots.size(), "previewLinearFit: as many spots as heights");
  CV_CheckGE(heights.size(), kMinCalibrationPoints, "previewLinearFit: too few points");
  CV_CheckNE(settings.dist, 0.0, "previewLinearFit: dist is 0");
  std::vector<cv::Point> whole;
  for (const cv::Point2d& spot : spots)
    whole.emplace_back(detail::truncateToInt(spot.x), detail::truncateToInt(spot.y));
  LinearFitPreview preview;
  preview.values = detail::linear::fittedCalibration(heights, spots, whole, settings, preview.displacements);
  return preview;
}

}  // namespace talmeq
