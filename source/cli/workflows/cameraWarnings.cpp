// Warnings about a camera calibration (see cameraWarnings.h).
#include "cameraWarnings.h"

#include "output.h"

namespace talmeq::cli {
namespace {

constexpr double kMinFocalPerWidth = 0.2;
constexpr double kMaxFocalPerWidth = 5.0;
constexpr std::size_t kMinViews = 3;

void warnFocal(const char* name, double focal, int width, std::vector<std::string>& warnings) {
  const double ratio = focal / width;
  if (ratio >= kMinFocalPerWidth && ratio <= kMaxFocalPerWidth) return;
  warnings.push_back(std::string(name) + " = " + fixed(focal, 1) + " px is " + fixed(ratio, 2) +
                     " times the image width, outside " + fixed(kMinFocalPerWidth, 1) + " .. " +
                     fixed(kMaxFocalPerWidth, 0) + ": not a plausible camera");
}

}  // namespace

std::vector<std::string> cameraWarnings(const CameraCalibration& c, const std::vector<std::string>& names) {
  std::vector<std::string> warnings;
  std::size_t distinct = c.viewCount;
  for (std::size_t j = 0; j < c.review.views.size(); ++j) {
    const ViewQuality& q = c.review.views[j];
    if (!q.used || q.repeatOf < 0) continue;
    warnings.push_back(names.at(j) + " repeats the view of " + names.at(static_cast<std::size_t>(q.repeatOf)));
    --distinct;
  }
  if (distinct == 1)
    warnings.push_back(
        "calibrated from one view: the focal length and the distortion from one view are unreliable; "
        "use " +
        std::to_string(kMinViews) + " or more different views");
  else if (distinct < kMinViews)
    warnings.push_back("only " + std::to_string(distinct) + " different views: use " + std::to_string(kMinViews) +
                       " or more");
  const cv::Mat& k = c.cameraMatrix;
  warnFocal("fx", k.at<double>(0, 0), c.imageSize.width, warnings);
  warnFocal("fy", k.at<double>(1, 1), c.imageSize.width, warnings);
  return warnings;
}

}  // namespace talmeq::cli
