#include "centreEstimate.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace talmeq::detail::precision {
namespace {

constexpr double kCoreWidths = 3.0;                     // a detected blob spans about three sigma
constexpr double kHalfMaxRadius2 = 1.3862943611198906;  // 2 ln 2: (d / sigma)^2 at half maximum

// Share of the patch pixels inside the spot's half-maximum ellipse that are clipped.
double clippedShare(const SpotPatch& patch, const SpotReading& r) {
  int inside = 0, clipped = 0;
  for (int y = 0; y < patch.red.rows; ++y)
    for (int x = 0; x < patch.red.cols; ++x) {
      const double dx = (x + patch.origin.x - r.centre.x) / r.sigmaX;
      const double dy = (y + patch.origin.y - r.centre.y) / r.sigmaY;
      if (dx * dx + dy * dy > kHalfMaxRadius2) continue;
      ++inside;
      clipped += patch.red.at<uchar>(y, x) >= kClipped ? 1 : 0;
    }
  return inside > 0 ? static_cast<double>(clipped) / inside : 0.0;
}

SpotStatus classOf(const SpotReading& r) {
  if (r.saturatedFraction > 0.0) return SpotStatus::kSaturated;
  if (r.peak - r.background < kDimExcess) return SpotStatus::kTooDim;
  return SpotStatus::kFound;
}

}  // namespace

cv::Point2d blobCentroid(const std::vector<cv::Point>& blob) {
  const cv::Moments m = cv::moments(blob, false);
  if (m.m00 != 0.0) return {m.m10 / m.m00, m.m01 / m.m00};
  cv::Point2d sum(0, 0);
  for (const cv::Point& p : blob) sum += cv::Point2d(p);
  return sum / static_cast<double>(std::max<std::size_t>(blob.size(), 1));
}

void estimateCentre(const cv::Mat& image, const std::vector<cv::Point>& blob, cv::Rect limit, SpotReading& reading,
                    CentreScratch& scratch) {
  const cv::Rect box = cv::boundingRect(blob);
  const int halfSide = std::min(std::max(box.width, box.height) / 2 + kWingMargin, kLargestHalfSide);
  const cv::Point2d seed = blobCentroid(blob);
  const SpotPatch patch = readPatch(image, seed, halfSide, limit, scratch.patch);
  reading.status = SpotStatus::kNoSpot;
  if (patch.red.empty()) return;
  // The centroid starts the fit; where it finds no peak by the blob, the
  // blob's centroid and extent do.
  const HalfMaxCentroid centroid = halfMaxCentroid(patch, seed, scratch.centroid);
  const GaussianFit fit =
      centroid.valid ? fitGaussian(patch, centroid.centre, 0.5 * (centroid.sigmaX + centroid.sigmaY), scratch.samples)
                     : fitGaussian(patch, seed, std::max(box.width, box.height) / kCoreWidths, scratch.samples);
  if (!fit.plausible && !centroid.valid) return;
  if (fit.plausible) {
    reading.method = CentreMethod::kGaussianFit;
    reading.centre = fit.centre;
    reading.covariance = fit.covariance;
    reading.background = fit.background;
    reading.peak = fit.background + fit.amplitude;
    reading.sigmaX = fit.sigmaX;
    reading.sigmaY = fit.sigmaY;
  } else {
    reading.method = CentreMethod::kHalfMaxCentroid;
    reading.centre = centroid.centre;
    reading.covariance = centroid.covariance;
    reading.background = patch.backgroundAt(centroid.centre.x, centroid.centre.y);
    reading.peak = reading.background + centroid.amplitude;
    reading.sigmaX = centroid.sigmaX;
    reading.sigmaY = centroid.sigmaY;
  }
  reading.uncertainty = std::sqrt(reading.covariance(0, 0) + reading.covariance(1, 1));
  reading.saturatedFraction = clippedShare(patch, reading);
  reading.status = classOf(reading);
}

}  // namespace talmeq::detail::precision
