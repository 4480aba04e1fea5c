#include "gaussianSpotFit.h"

#include <algorithm>
#include <cmath>

namespace talmeq::detail::precision {
namespace {

constexpr int kParameters = 8;
using Params = cv::Vec<double, kParameters>;
using Normal = cv::Matx<double, kParameters, kParameters>;
enum Index { kAmplitude, kX, kY, kSigmaX, kSigmaY, kLevel, kSlopeX, kSlopeY };

constexpr int kMaxIterations = 60;
constexpr double kTrialSigma[2] = {0.3, 30.0};  // trial steps outside these widths are refused
constexpr double kConvergedStep = 1e-5;         // pixels
constexpr int kLeastPixels = 3 * kParameters;
constexpr double kClipRadiusPerSigma = 1.1774100225154747;  // sqrt(2 ln 2)
constexpr double kPlausibleSigma[2] = {0.5, 12.0};
constexpr double kPlausibleShift = 3.0;  // pixels from the start

// Sum of squared residuals at `p`; with the normal equations (J'J, J'r) of
// the linearised problem when `normal` is given.
double residuals(const FitSamples& samples, const Params& p, Normal* normal, Params* gradient) {
  if (normal) *normal = Normal::zeros(), *gradient = Params::all(0.0);
  const double inverseX2 = 1.0 / (p[kSigmaX] * p[kSigmaX]), inverseY2 = 1.0 / (p[kSigmaY] * p[kSigmaY]);
  double sum = 0.0;
  for (const FitSample& s : samples) {
    const double du = s.u - p[kX], dv = s.v - p[kY];
    const double e = std::exp(-0.5 * (du * du * inverseX2 + dv * dv * inverseY2));
    const double g = p[kAmplitude] * e;
    const double r = s.value - (p[kLevel] + p[kSlopeX] * s.u + p[kSlopeY] * s.v + g);
    sum += r * r;
    if (!normal) continue;
    const Params j(e, g * du * inverseX2, g * dv * inverseY2, g * du * du * inverseX2 / p[kSigmaX],
                   g * dv * dv * inverseY2 / p[kSigmaY], 1.0, s.u, s.v);
    for (int a = 0; a < kParameters; ++a) {
      (*gradient)[a] += j[a] * r;
      for (int b = a; b < kParameters; ++b) (*normal)(a, b) += j[a] * j[b];
    }
  }
  if (normal)
    for (int a = 0; a < kParameters; ++a)
      for (int b = 0; b < a; ++b) (*normal)(a, b) = (*normal)(b, a);
  return sum;
}

// The unclipped pixels of `patch` into `samples`, in row order.
void unclippedSamples(const SpotPatch& patch, cv::Point2d start, FitSamples& samples) {
  samples.clear();
  for (int y = 0; y < patch.red.rows; ++y) {
    const uchar* row = patch.red.ptr<uchar>(y);
    for (int x = 0; x < patch.red.cols; ++x)
      if (row[x] < kClipped)
        samples.push_back({x + patch.origin.x - start.x, y + patch.origin.y - start.y, static_cast<double>(row[x])});
  }
}

// The starting profile: the patch's background plane and a round spot of
// `sigma` whose height is the brightest unclipped excess. A clipped core
// starts at twice the clipping level, with the width at which such a
// profile would clip the core's area: its radius over sqrt(2 ln 2).
Params startingProfile(const SpotPatch& patch, const FitSamples& samples, cv::Point2d start, double sigma) {
  const cv::Vec3d& plane = patch.background;
  const double level = patch.backgroundAt(start.x, start.y);
  double brightest = 0.0;
  for (const FitSample& s : samples) brightest = std::max(brightest, s.value - level);
  const double clipped = static_cast<double>(patch.red.total() - samples.size());
  if (clipped > 0.0) {
    brightest = 2.0 * (kClipped - level);
    sigma = std::max(1.0, std::sqrt(clipped / CV_PI) / kClipRadiusPerSigma);
  }
  return Params(brightest, 0.0, 0.0, sigma, sigma, level, plane[1], plane[2]);
}

bool finite(const cv::Matx22d& m) {
  return std::isfinite(m(0, 0)) && std::isfinite(m(1, 1)) && std::isfinite(m(0, 1)) && m(0, 0) > 0 && m(1, 1) > 0;
}

}  // namespace

GaussianFit fitGaussian(const SpotPatch& patch, cv::Point2d start, double startSigma, FitSamples& samples) {
  GaussianFit fit;
  unclippedSamples(patch, start, samples);
  if (static_cast<int>(samples.size()) < kLeastPixels) return fit;
  Params p = startingProfile(patch, samples, start, std::max(startSigma, 1.0));
  Normal normal;
  Params gradient;
  double sum = residuals(samples, p, &normal, &gradient);
  double lambda = 1e-3;
  for (int iteration = 0; iteration < kMaxIterations && lambda < 1e12; ++iteration) {
    Normal damped = normal;
    for (int a = 0; a < kParameters; ++a) damped(a, a) *= 1.0 + lambda;
    Params step;
    const Params trial = cv::solve(damped, gradient, step, cv::DECOMP_CHOLESKY) ? p + step : p;
    const auto validWidth = [](double s) { return s > kTrialSigma[0] && s < kTrialSigma[1]; };
    const bool valid = trial[kAmplitude] > 0.0 && validWidth(trial[kSigmaX]) && validWidth(trial[kSigmaY]);
    const double trialSum = valid ? residuals(samples, trial, nullptr, nullptr) : HUGE_VAL;
    if (!(trialSum < sum)) {
      lambda *= 10.0;
      continue;
    }
    p = trial;
    sum = residuals(samples, p, &normal, &gradient);
    lambda = std::max(lambda / 10.0, 1e-9);
    if (std::fabs(step[kX]) < kConvergedStep && std::fabs(step[kY]) < kConvergedStep) break;
  }

  bool invertible = false;
  const Normal inverse = normal.inv(cv::DECOMP_CHOLESKY, &invertible);
  if (!invertible) return fit;
  const double variance = sum / static_cast<double>(samples.size() - kParameters);
  fit.centre = start + cv::Point2d(p[kX], p[kY]);
  fit.covariance = cv::Matx22d(inverse(kX, kX), inverse(kX, kY), inverse(kY, kX), inverse(kY, kY)) * variance;
  fit.amplitude = p[kAmplitude];
  fit.sigmaX = std::fabs(p[kSigmaX]);
  fit.sigmaY = std::fabs(p[kSigmaY]);
  fit.background = p[kLevel] + p[kSlopeX] * p[kX] + p[kSlopeY] * p[kY];
  const auto plausibleWidth = [](double s) { return s >= kPlausibleSigma[0] && s <= kPlausibleSigma[1]; };
  fit.plausible = fit.amplitude > 0.0 && plausibleWidth(fit.sigmaX) && plausibleWidth(fit.sigmaY) &&
                  cv::norm(fit.centre - start) <= kPlausibleShift && finite(fit.covariance);
  return fit;
}

}  // namespace talmeq::detail::precision
