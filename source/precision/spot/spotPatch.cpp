#include "spotPatch.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "redChannel.h"

namespace talmeq::detail::precision {
namespace {

constexpr int kRingWidth = 2;
constexpr int kLeastSide = 3 * kRingWidth;  // a patch needs pixels inside its ring
constexpr double kMadToSigma = 1.4826;      // median absolute deviation of a Gaussian to its sigma
constexpr double kLeastNoise = 0.5;         // below this the 8-bit steps dominate

bool onRing(int x, int y, cv::Size size) {
  return x < kRingWidth || y < kRingWidth || x >= size.width - kRingWidth || y >= size.height - kRingWidth;
}

// The median of `values`, which are reordered.
double median(std::vector<double>& values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace

SpotPatch readPatch(const cv::Mat& image, cv::Point2d seed, int halfSide, cv::Rect limit, PatchScratch& scratch) {
  const cv::Point centre(cvRound(seed.x), cvRound(seed.y));
  const cv::Rect area = cv::Rect(centre - cv::Point(halfSide, halfSide), cv::Size(2 * halfSide + 1, 2 * halfSide + 1)) &
                        limit & cv::Rect(cv::Point(0, 0), image.size());
  SpotPatch patch;
  patch.origin = area.tl();
  if (area.width < kLeastSide || area.height < kLeastSide) return patch;
  patch.red = redChannel(image, area, scratch.red);

  // Least-squares plane through the ring's unclipped pixels, then the
  // spread of the ring about it.
  cv::Matx33d normal = cv::Matx33d::zeros();
  cv::Vec3d right(0, 0, 0);
  std::vector<cv::Point>& ring = scratch.ring;
  ring.clear();
  for (int y = 0; y < area.height; ++y)
    for (int x = 0; x < area.width; ++x) {
      const int value = patch.red.at<uchar>(y, x);
      if (!onRing(x, y, area.size()) || value >= kClipped) continue;
      const cv::Vec3d row(1.0, x, y);
      normal += row * row.t();
      right += row * static_cast<double>(value);
      ring.emplace_back(x, y);
    }
  if (ring.size() < 3 || !cv::solve(normal, right, patch.background, cv::DECOMP_SVD)) {
    patch.red.release();  // nothing to measure the background on: no estimate
    return patch;
  }
  std::vector<double>& deviations = scratch.deviations;
  deviations.clear();
  for (const cv::Point& p : ring)
    deviations.push_back(std::fabs(patch.red.at<uchar>(p) - patch.backgroundAt(p.x + area.x, p.y + area.y)));
  patch.noise = std::max(kLeastNoise, kMadToSigma * median(deviations));
  return patch;
}

}  // namespace talmeq::detail::precision
