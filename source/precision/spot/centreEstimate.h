// From the detector's blob to a measured spot: the patch around the blob,
// the half-maximum centroid, the Gaussian fit started from it, the choice
// between them, and the spot's level, widths, clipping and class.
#pragma once

#include <talmeq/spotReading.h>

#include <opencv2/core.hpp>
#include <vector>

#include "gaussianSpotFit.h"
#include "halfMaxCentroid.h"
#include "spotPatch.h"

namespace talmeq::detail::precision {

inline constexpr double kDimExcess = 100.0;  // a spot below this red excess over its background is too dim
inline constexpr int kWingMargin = 8;        // patch reach beyond the blob's half extent, pixels
inline constexpr int kLargestHalfSide = 40;

// The buffers of an estimate, kept between calls.
struct CentreScratch {
  PatchScratch patch;
  CentroidScratch centroid;
  FitSamples samples;
};

// Fills the spot members of `reading` (method, centre, covariance,
// uncertainty, peak, background, widths, saturated fraction and status:
// found, saturated or too dim) from the pixels of `image` inside `limit`
// around `blob`, an outer contour in full-image pixels. The status becomes
// kNoSpot when neither estimate holds.
void estimateCentre(const cv::Mat& image, const std::vector<cv::Point>& blob, cv::Rect limit, SpotReading& reading,
                    CentreScratch& scratch);

// The centroid of a contour polygon; the mean of its points when its area is zero.
cv::Point2d blobCentroid(const std::vector<cv::Point>& blob);

}  // namespace talmeq::detail::precision
