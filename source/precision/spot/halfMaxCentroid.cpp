#include "halfMaxCentroid.h"

#include <algorithm>
#include <cmath>

#include "frameWorkspace.h"

namespace talmeq::detail::precision {
namespace {

constexpr double kPeakSearchRadius = 2.5;
constexpr double kLevelShare = 0.5;
// For a Gaussian of width s, weights (excess - half peak) above half the
// peak have a second moment of 0.21716 s^2 along each axis.
constexpr double kHalfMaxMomentShare = 0.21716;
constexpr int kLeastPixels = 3;

// Excess of each pixel over the background plane.
cv::Mat excessOf(const SpotPatch& patch, cv::Mat& buffer) {
  cv::Mat excess = reusedView(buffer, patch.red.size(), CV_64FC1);
  for (int y = 0; y < excess.rows; ++y)
    for (int x = 0; x < excess.cols; ++x)
      excess.at<double>(y, x) = patch.red.at<uchar>(y, x) - patch.backgroundAt(x + patch.origin.x, y + patch.origin.y);
  return excess;
}

// Marks with 1 the pixels whose excess exceeds `level` and that connect to
// `start` (which does) through such pixels, each touching its eight
// neighbours; 0 elsewhere. This is the component of cv::connectedComponents
// (connectivity 8) that holds `start`, found without labelling the others.
cv::Mat partAbove(const cv::Mat& excess, double level, cv::Point start, CentroidScratch& scratch) {
  cv::Mat member = reusedView(scratch.member, excess.size(), CV_8UC1);
  member.setTo(0);
  std::vector<cv::Point>& pending = scratch.pending;
  pending.clear();
  member.at<uchar>(start) = 1;
  pending.push_back(start);
  while (!pending.empty()) {
    const cv::Point p = pending.back();
    pending.pop_back();
    for (int y = std::max(p.y - 1, 0); y <= std::min(p.y + 1, excess.rows - 1); ++y)
      for (int x = std::max(p.x - 1, 0); x <= std::min(p.x + 1, excess.cols - 1); ++x) {
        if (member.at<uchar>(y, x) || !(excess.at<double>(y, x) > level)) continue;
        member.at<uchar>(y, x) = 1;
        pending.emplace_back(x, y);
      }
  }
  return member;
}

}  // namespace

HalfMaxCentroid halfMaxCentroid(const SpotPatch& patch, cv::Point2d seed, CentroidScratch& scratch) {
  HalfMaxCentroid result;
  const cv::Mat excess = excessOf(patch, scratch.excess);
  cv::Point peakAt(-1, -1);
  for (int y = 0; y < excess.rows; ++y)
    for (int x = 0; x < excess.cols; ++x) {
      const double e = excess.at<double>(y, x);
      if (cv::norm(cv::Point2d(x + patch.origin.x, y + patch.origin.y) - seed) > kPeakSearchRadius) continue;
      if (peakAt.x < 0 || e > result.amplitude) result.amplitude = e, peakAt = {x, y};
    }
  if (peakAt.x < 0 || !(result.amplitude > 0.0)) return result;

  const double level = kLevelShare * result.amplitude;
  const cv::Mat spot = partAbove(excess, level, peakAt, scratch);
  double weight = 0.0, sumX = 0.0, sumY = 0.0;
  int pixels = 0;
  for (int y = 0; y < excess.rows; ++y)
    for (int x = 0; x < excess.cols; ++x)
      if (spot.at<uchar>(y, x)) {
        const double w = excess.at<double>(y, x) - level;
        weight += w, sumX += w * x, sumY += w * y, ++pixels;
      }
  if (pixels < kLeastPixels) return result;
  const cv::Point2d mean(sumX / weight, sumY / weight);

  // Noise through the weighted mean: d mean / d value = (position - mean) / weight.
  cv::Matx22d spread = cv::Matx22d::zeros(), moments = cv::Matx22d::zeros();
  for (int y = 0; y < excess.rows; ++y)
    for (int x = 0; x < excess.cols; ++x)
      if (spot.at<uchar>(y, x)) {
        const cv::Vec2d d(x - mean.x, y - mean.y);
        spread += d * d.t();
        moments += d * d.t() * (excess.at<double>(y, x) - level);
      }
  result.valid = true;
  result.centre = mean + cv::Point2d(patch.origin);
  result.covariance = spread * (patch.noise * patch.noise / (weight * weight));
  result.sigmaX = std::sqrt(moments(0, 0) / weight / kHalfMaxMomentShare);
  result.sigmaY = std::sqrt(moments(1, 1) / weight / kHalfMaxMomentShare);
  return result;
}

}  // namespace talmeq::detail::precision
