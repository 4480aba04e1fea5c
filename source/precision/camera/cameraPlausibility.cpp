// What any calibrated camera must be, however many views it came from (see
// cameraCalibrationReport.h): a one-view calibration that OpenCV accepts can
// still put the principal point outside the image or give a focal length
// no lens has, and a host must not use such a camera.
#include <talmeq/cameraCalibrationReport.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "calibrationVerdict.h"

namespace talmeq::detail {
namespace {

std::string text(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

VerdictCheck focalCheck(const char* name, double focal, int width, const CalibrationThresholds& t) {
  const double ratio = focal / width;
  return {name, text(t.minFocalPerWidth) + " <= " + name + " / image width <= " + text(t.maxFocalPerWidth),
          t.maxFocalPerWidth, ratio, ratio >= t.minFocalPerWidth && ratio <= t.maxFocalPerWidth};
}

}  // namespace

std::vector<VerdictCheck> cameraModelChecks(const cv::Mat& cameraMatrix, cv::Size imageSize,
                                            const CalibrationThresholds& t) {
  CV_Assert(cameraMatrix.type() == CV_64F && cameraMatrix.rows == 3 && cameraMatrix.cols == 3);
  CV_Assert(imageSize.width > 0 && imageSize.height > 0);
  const double halfWidth = 0.5 * imageSize.width, halfHeight = 0.5 * imageSize.height;
  // The principal point's distance from the image centre as a share of the
  // half size, along the axis where it is largest: above 1 lies outside.
  const double offCentre = std::max(std::fabs(cameraMatrix.at<double>(0, 2) - halfWidth) / halfWidth,
                                    std::fabs(cameraMatrix.at<double>(1, 2) - halfHeight) / halfHeight);
  return {{"principal point", "distance of (cx, cy) from the image centre / half the image size <= 1", 1.0, offCentre,
           offCentre <= 1.0},
          focalCheck("fx", cameraMatrix.at<double>(0, 0), imageSize.width, t),
          focalCheck("fy", cameraMatrix.at<double>(1, 1), imageSize.width, t)};
}

}  // namespace talmeq::detail

namespace talmeq {

std::vector<VerdictCheck> cameraPlausibilityChecks(const cv::Mat& cameraMatrix, cv::Size imageSize, double rms,
                                                   const CalibrationThresholds& thresholds) {
  std::vector<VerdictCheck> checks;
  const std::string rule = "reprojection rms < " + detail::text(thresholds.maxRms) + " px";
  if (std::isnan(rms))
    checks.push_back({"rms", rule, thresholds.maxRms, rms, false, false});
  else
    checks.push_back({"rms", rule, thresholds.maxRms, rms, rms < thresholds.maxRms});
  for (VerdictCheck& check : detail::cameraModelChecks(cameraMatrix, imageSize, thresholds)) checks.push_back(check);
  return checks;
}

}  // namespace talmeq
