// What an operator should distrust in a reading or a camera the precision
// layer gives (see talmeq/explanations.h).
#include <talmeq/explanations.h>

#include "calibrationVerdict.h"

namespace talmeq {
namespace {

// Farthest apart, in pixels, that the whole-pixel and the sub-pixel spot
// of one image may lie and still count as one reading.
constexpr double kReadingsAgree = 3.0;

// Fewest different views a camera should be calibrated from.
constexpr int kMinViews = 3;

std::string pointText(cv::Point p) { return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")"; }

}  // namespace

std::string readingsDisagreement(const std::string& exportCall, cv::Point whole, const std::string& preciseCall,
                                 const SpotReading& precise) {
  if (!precise.hasCentre())
    return preciseCall + " found " + toText(precise.status) + " where " + exportCall + " found a spot at " +
           pointText(whole);
  const double apart = cv::norm(precise.centre - cv::Point2d(whole));
  if (apart <= kReadingsAgree) return {};
  return "the whole-pixel spot " + pointText(whole) + " and the sub-pixel spot (" + decimalText(precise.centre.x, 3) +
         ", " + decimalText(precise.centre.y, 3) + ") lie " + decimalText(apart, 1) +
         " px apart: the two readings disagree";
}

std::string wholePixelCalibrationWarning(const std::string& path) {
  return path +
         " was fitted from whole-pixel spots (its reference point is a whole pixel): sub-pixel heights "
         "carry up to half a pixel of its error, which their uncertainty leaves out; fit it with "
         "calibrate --precise";
}

std::vector<std::string> cameraWarnings(const CameraCalibrationReport& report, int calibratedFrom,
                                        const std::vector<std::string>& viewNames,
                                        const CalibrationThresholds& thresholds) {
  CV_CheckEQ(viewNames.size(), report.views.size(), "cameraWarnings: one name per view of the report");
  std::vector<std::string> warnings;
  int distinct = calibratedFrom;
  for (std::size_t j = 0; j < report.views.size(); ++j) {
    const ViewQuality& q = report.views[j];
    if (!q.used || q.repeatOf < 0) continue;
    warnings.push_back(viewNames[j] + " repeats the view of " + viewNames.at(static_cast<std::size_t>(q.repeatOf)));
    --distinct;
  }
  if (distinct == 1)
    warnings.push_back(
        "calibrated from one view: the focal length and the distortion from one view are unreliable; use " +
        std::to_string(kMinViews) + " or more different views");
  else if (distinct < kMinViews)
    warnings.push_back("only " + std::to_string(distinct) + " different views: use " + std::to_string(kMinViews) +
                       " or more");
  // The focal lengths as the camera model's checks judge them: one rule for
  // the verdict and the warning.
  const cv::Mat& k = report.cameraMatrix;
  for (const VerdictCheck& check : detail::cameraModelChecks(k, report.imageSize, thresholds)) {
    if ((check.name != "fx" && check.name != "fy") || check.passed) continue;
    const double focal = check.name == "fx" ? k.at<double>(0, 0) : k.at<double>(1, 1);
    warnings.push_back(check.name + " = " + decimalText(focal, 1) + " px is " + decimalText(check.value, 2) +
                       " times the image width, outside " + decimalText(thresholds.minFocalPerWidth, 1) + " .. " +
                       decimalText(thresholds.maxFocalPerWidth, 0) + ": not a plausible camera");
  }
  return warnings;
}

}  // namespace talmeq
