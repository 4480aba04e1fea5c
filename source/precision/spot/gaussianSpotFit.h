// Least-squares fit of a spot profile to a patch's unclipped pixels: an
// elliptical Gaussian with axes along x and y on a tilted background plane,
// eight parameters, solved by Levenberg-Marquardt. The centre's covariance
// is the inverse normal matrix scaled by the residual variance, so it
// reflects the noise actually seen around the fit.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "spotPatch.h"

namespace talmeq::detail::precision {

struct GaussianFit {
  bool plausible = false;   // converged to a spot-like profile near the start (see fitGaussian)
  cv::Point2d centre;       // full-image pixels
  cv::Matx22d covariance;   // of the centre, pixels squared
  double amplitude = 0.0;   // profile height above the background
  double background = 0.0;  // the plane's level at the centre
  double sigmaX = 0.0, sigmaY = 0.0;
};

// An unclipped pixel of the patch relative to the fit's start.
struct FitSample {
  double u, v, value;
};
using FitSamples = std::vector<FitSample>;  // kept between fits by the caller, garbage to the next

// Fits from `start` (full-image pixels) and a round profile of `startSigma`.
// Plausible: at least 24 unclipped pixels, a positive amplitude, widths of
// 0.5 .. 12 pixels, and a centre within 3 pixels of the start. `samples`
// is scratch: it receives the unclipped pixels the fit runs over.
GaussianFit fitGaussian(const SpotPatch& patch, cv::Point2d start, double startSigma, FitSamples& samples);

}  // namespace talmeq::detail::precision
