#include "halfMaxCentroid.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace talmeq::station {
namespace {

constexpr double kPeakSearchRadius = 2.5;
constexpr double kLevelShare = 0.5;
// For a Gaussian of width s, weights (excess - half peak) above half the
// peak have a second moment of 0.21716 s^2 along each axis.
constexpr double kHalfMaxMomentShare = 0.21716;
constexpr int kLeastPixels = 3;

// Excess of each pixel over the background plane.
cv::Mat excessOf(const SpotPatch& patch) {
  cv::Mat excess(patch.red.size(), CV_64FC1);
  for (int y = 0; y < excess.rows; ++y)
    for (int x = 0; x < excess.cols; ++x)
      excess.at<double>(y, x) = patch.red.at<uchar>(y, x) - patch.backgroundAt(x + patch.origin.x, y + patch.origin.y);
  return excess;
}

}  // namespace

HalfMaxCentroid halfMaxCentroid(const SpotPatch& patch, cv::Point2d seed) {
  HalfMaxCentroid result;
  const cv::Mat excess = excessOf(patch);
  cv::Point peakAt(-1, -1);
  for (int y = 0; y < excess.rows; ++y)
    for (int x = 0; x < excess.cols; ++x) {
      const double e = excess.at<double>(y, x);
      if (cv::norm(cv::Point2d(x + patch.origin.x, y + patch.origin.y) - seed) > kPeakSearchRadius) continue;
      if (peakAt.x < 0 || e > result.amplitude) result.amplitude = e, peakAt = {x, y};
    }
  if (peakAt.x < 0 || !(result.amplitude > 0.0)) return result;

  const double level = kLevelShare * result.amplitude;
  const cv::Mat above = excess > level;
  cv::Mat labels;
  cv::connectedComponents(above, labels, 8, CV_32S);
  const int spotLabel = labels.at<int>(peakAt);
  double weight = 0.0, sumX = 0.0, sumY = 0.0;
  int pixels = 0;
  for (int y = 0; y < excess.rows; ++y)
    for (int x = 0; x < excess.cols; ++x)
      if (labels.at<int>(y, x) == spotLabel) {
        const double w = excess.at<double>(y, x) - level;
        weight += w, sumX += w * x, sumY += w * y, ++pixels;
      }
  if (pixels < kLeastPixels) return result;
  const cv::Point2d mean(sumX / weight, sumY / weight);

  // Noise through the weighted mean: d mean / d value = (position - mean) / weight.
  cv::Matx22d spread = cv::Matx22d::zeros(), moments = cv::Matx22d::zeros();
  for (int y = 0; y < excess.rows; ++y)
    for (int x = 0; x < excess.cols; ++x)
      if (labels.at<int>(y, x) == spotLabel) {
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

}  // namespace talmeq::station
