// The centroid of a spot's pixels above half its peak: each pixel weighted
// by its excess over that level, so a pixel that crosses it adds nothing
// abruptly. Robust where a fit is not (a faint spot), less precise where
// a fit holds. The covariance propagates the patch's pixel noise through
// the weighted mean.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "spotPatch.h"

namespace talmeq::detail::precision {

struct HalfMaxCentroid {
  bool valid = false;                 // at least 3 pixels above the level
  cv::Point2d centre;                 // full-image pixels
  cv::Matx22d covariance;             // of the centre, pixels squared
  double amplitude = 0.0;             // the peak's excess over the background
  double sigmaX = 0.0, sigmaY = 0.0;  // Gaussian widths implied by the weighted second moments
};

// The buffers of a centroid, kept between calls (their contents are
// garbage to the next).
struct CentroidScratch {
  cv::Mat excess;                  // CV_64FC1 excess over the background plane
  cv::Mat member;                  // CV_8UC1: 1 where a pixel joins the peak's part above the level
  std::vector<cv::Point> pending;  // pixels of that part whose neighbours are still to be looked at
};

// Over the pixels of `patch` whose excess over the background exceeds half
// the peak and that connect to the peak, the brightest excess within 2.5
// pixels of `seed`. Clipped pixels count with their clipped value: a
// clipped core is flat but still symmetric about the centre.
HalfMaxCentroid halfMaxCentroid(const SpotPatch& patch, cv::Point2d seed, CentroidScratch& scratch);

}  // namespace talmeq::detail::precision
