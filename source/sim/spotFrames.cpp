#include "spotFrames.h"

#include <algorithm>
#include <cmath>

namespace talmeq::sim {
namespace {

// Adds a Gaussian profile of `peak` to the float planes of a BGR image,
// evaluated only where it can reach a visible value (4 sigma).
void addGaussian(cv::Mat& planes, cv::Point2d c, double sigma, double peak, cv::Vec3d tint) {
  const double reach = 4.0 * sigma + 1.0;
  const int x0 = std::max(0, static_cast<int>(std::floor(c.x - reach)));
  const int x1 = std::min(planes.cols - 1, static_cast<int>(std::ceil(c.x + reach)));
  const int y0 = std::max(0, static_cast<int>(std::floor(c.y - reach)));
  const int y1 = std::min(planes.rows - 1, static_cast<int>(std::ceil(c.y + reach)));
  const double k = -0.5 / (sigma * sigma);
  for (int y = y0; y <= y1; ++y) {
    auto* row = planes.ptr<cv::Vec3f>(y);
    for (int x = x0; x <= x1; ++x) {
      const double d2 = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
      const double v = peak * std::exp(k * d2);
      for (int ch = 0; ch < 3; ++ch) row[x][ch] += static_cast<float>(v * tint[ch]);
    }
  }
}

// Adds a streak's profile where it can reach a visible value (4 widths).
void addStreak(cv::Mat& planes, const Streak& streak) {
  const double reach = 4.0 * streak.width + 1.0;
  const int x0 = std::max(0, static_cast<int>(std::floor(std::min(streak.a.x, streak.b.x) - reach)));
  const int x1 = std::min(planes.cols - 1, static_cast<int>(std::ceil(std::max(streak.a.x, streak.b.x) + reach)));
  const int y0 = std::max(0, static_cast<int>(std::floor(std::min(streak.a.y, streak.b.y) - reach)));
  const int y1 = std::min(planes.rows - 1, static_cast<int>(std::ceil(std::max(streak.a.y, streak.b.y) + reach)));
  const double k = -0.5 / (streak.width * streak.width);
  for (int y = y0; y <= y1; ++y) {
    auto* row = planes.ptr<cv::Vec3f>(y);
    for (int x = x0; x <= x1; ++x) {
      const double d = distanceToSegment(cv::Point2d(x, y), streak.a, streak.b);
      const double v = streak.peak * std::exp(k * d * d);
      for (int ch = 0; ch < 3; ++ch) row[x][ch] += static_cast<float>(v * streak.tint[ch]);
    }
  }
}

}  // namespace

double distanceToSegment(cv::Point2d p, cv::Point2d a, cv::Point2d b) {
  const cv::Point2d along = b - a;
  const double length2 = along.dot(along);
  const double t = length2 > 0.0 ? std::clamp((p - a).dot(along) / length2, 0.0, 1.0) : 0.0;
  return cv::norm(p - (a + t * along));
}

cv::Mat renderSpotFrame(const FrameRecipe& recipe) {
  cv::RNG rng(recipe.seed);
  cv::Mat planes(recipe.size, CV_32FC3);
  for (int y = 0; y < planes.rows; ++y) {
    auto* row = planes.ptr<cv::Vec3f>(y);
    for (int x = 0; x < planes.cols; ++x) {
      const double level = recipe.background + recipe.gradient * x / std::max(1, planes.cols - 1);
      for (int ch = 0; ch < 3; ++ch) row[x][ch] = static_cast<float>(level + rng.gaussian(recipe.noise));
    }
  }
  for (const AmbientBlob& blob : recipe.ambient) addGaussian(planes, blob.centre, blob.sigma, blob.peak, {1, 1, 1});
  for (const Spot& spot : recipe.spots)
    addGaussian(planes, spot.centre, spot.sigma, spot.peak, {spot.blue, spot.green, 1.0});
  for (const Streak& streak : recipe.streaks) addStreak(planes, streak);
  for (int i = 0; i < recipe.speckles; ++i) {
    const int x = rng.uniform(0, planes.cols), y = rng.uniform(0, planes.rows);
    planes.at<cv::Vec3f>(y, x) = cv::Vec3f(255, 255, 255);
  }
  cv::Mat frame;
  planes.convertTo(frame, CV_8UC3);  // rounds and saturates to 0..255
  return frame;
}

FrameRecipe randomSpotFrame(std::uint64_t seed, cv::Size size) {
  cv::RNG rng(seed * 7919 + 13);
  FrameRecipe recipe;
  recipe.size = size;
  recipe.seed = seed;
  recipe.background = rng.uniform(10.0, 70.0);
  recipe.gradient = rng.uniform(-10.0, 30.0);
  recipe.noise = rng.uniform(0.5, 3.0);
  Spot spot;
  // Keep the spot clear of the detection window's edges (35 %..70 % of the
  // columns, 45 %..75 % of the rows) by a few sigma.
  spot.sigma = rng.uniform(1.2, 2.6);
  const double margin = 4.0 * spot.sigma + 2.0;
  spot.centre.x = rng.uniform(size.width * 0.35 + margin, size.width * 0.70 - margin);
  spot.centre.y = rng.uniform(size.height * 0.45 + margin, size.height * 0.75 - margin);
  switch (seed % 3) {
    case 0:
      spot.peak = rng.uniform(600.0, 1500.0);
      break;  // saturated core
    case 1:
      spot.peak = rng.uniform(380.0, 520.0);
      break;  // bright, small saturated core
    default:
      spot.peak = rng.uniform(90.0, 140.0);
      spot.green = 0.15;
      spot.blue = 0.1;
      break;  // dim, red
  }
  recipe.spots.push_back(spot);
  if (rng.uniform(0, 3) == 0) {
    AmbientBlob blob;
    blob.centre = {rng.uniform(0.0, size.width * 0.3), rng.uniform(0.0, size.height * 1.0)};
    blob.sigma = rng.uniform(10.0, 30.0);
    blob.peak = rng.uniform(20.0, 60.0);
    recipe.ambient.push_back(blob);
  }
  return recipe;
}

}  // namespace talmeq::sim
