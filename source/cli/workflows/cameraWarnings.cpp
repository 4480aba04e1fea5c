// Warnings about a camera calibration (see cameraWarnings.h).
#include "cameraWarnings.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "output.h"

namespace talmeq::cli {
namespace {

constexpr double kMinFocalPerWidth = 0.2;
constexpr double kMaxFocalPerWidth = 5.0;
constexpr std::size_t kMinViews = 3;
constexpr double kSamePoint = 1.0;  // pixels: two detections of one board point this close are the same

using BoardKey = std::tuple<float, float, float>;

// Two views repeat each other when they share at least half of the smaller
// one's board points and every shared point was found at the same place.
bool sameView(const BoardView& a, const BoardView& b) {
  std::map<BoardKey, cv::Point2f> found;
  for (std::size_t i = 0; i < a.board.size(); ++i) found[{a.board[i].x, a.board[i].y, a.board[i].z}] = a.found[i];
  std::size_t shared = 0;
  for (std::size_t i = 0; i < b.board.size(); ++i) {
    const auto at = found.find({b.board[i].x, b.board[i].y, b.board[i].z});
    if (at == found.end()) continue;
    if (cv::norm(at->second - b.found[i]) > kSamePoint) return false;
    ++shared;
  }
  return shared > 0 && 2 * shared >= std::min(a.board.size(), b.board.size());
}

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
  for (std::size_t j = 1; j < c.views.size(); ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      if (!sameView(c.views[i], c.views[j])) continue;
      warnings.push_back(names.at(j) + " repeats the view of " + names.at(i));
      --distinct;
      break;
    }
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
