#include "precisionFrames.h"

#include <algorithm>
#include <cmath>

namespace talmeq::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSpeckleSigma = 0.2;  // no neighbour receives a visible share
constexpr double kSpecklePeak = 400.0;

// A point inside the spot detector's window (35 .. 70 % of the columns,
// 45 .. 75 % of the rows), `margin` pixels clear of its edges.
cv::Point2d insideWindow(cv::RNG& rng, cv::Size size, double margin) {
  return {rng.uniform(size.width * 0.35 + margin, size.width * 0.70 - margin),
          rng.uniform(size.height * 0.45 + margin, size.height * 0.75 - margin)};
}

FrameRecipe background(cv::RNG& rng, std::uint64_t seed, cv::Size size) {
  FrameRecipe recipe;
  recipe.size = size;
  recipe.seed = seed;
  recipe.background = rng.uniform(10.0, 50.0);
  recipe.gradient = rng.uniform(-10.0, 30.0);
  recipe.noise = rng.uniform(0.5, 3.0);
  return recipe;
}

// The highest red peak that stays below 255 at `centre` with 4 sigma of noise to spare.
double unclippedPeak(const FrameRecipe& recipe, cv::Point2d centre) {
  const double level = recipe.background + recipe.gradient * centre.x / std::max(1, recipe.size.width - 1);
  return 255.0 - level - 4.0 * recipe.noise - 1.0;
}

Spot classSpot(SpotClass spotClass, cv::RNG& rng, const FrameRecipe& recipe) {
  Spot spot;
  spot.sigma = rng.uniform(2.0, 3.0);
  spot.centre = insideWindow(rng, recipe.size, 4.0 * spot.sigma + 2.0);
  switch (spotClass) {
    case SpotClass::kClean:
      spot.peak = rng.uniform(100.0, unclippedPeak(recipe, spot.centre));
      break;
    case SpotClass::kSaturated:
      spot.peak = rng.uniform(300.0, 1500.0);
      break;
    case SpotClass::kDim:
      spot.peak = rng.uniform(60.0, 80.0);
      spot.green = 0.15;
      spot.blue = 0.1;
      break;
  }
  return spot;
}

// Where a nuisance may lie. Clear: 20 pixels from the spot and outside the
// cross that the dim method's 101 x 11 and 11 x 101 closings reach from it
// (with the spot's and the nuisance's own extent), so the detector keeps
// the two apart. Anywhere: 20 pixels from the spot only.
bool allowed(cv::Point2d p, cv::Point2d spot, Placement placement) {
  constexpr double kNear = 20.0, kBand = 20.0, kReach = 120.0;
  const double dx = std::fabs(p.x - spot.x), dy = std::fabs(p.y - spot.y);
  if (std::hypot(dx, dy) < kNear) return false;
  if (placement == Placement::kAnywhere) return true;
  return (dx >= kReach || dy >= kBand) && (dy >= kReach || dx >= kBand);
}

// A point of the detection window grown by a fifth on every side.
cv::Point2d nearWindow(cv::RNG& rng, cv::Size size) {
  return {rng.uniform(size.width * 0.28, size.width * 0.77), rng.uniform(size.height * 0.39, size.height * 0.81)};
}

cv::Point2d placed(cv::RNG& rng, cv::Size size, cv::Point2d spot, Placement placement) {
  for (;;) {
    const cv::Point2d p = nearWindow(rng, size);
    if (allowed(p, spot, placement)) return p;
  }
}

// A streak whose every pixel step is allowed.
Streak placedStreak(cv::RNG& rng, cv::Size size, cv::Point2d spot, Placement placement) {
  for (;;) {
    Streak streak;
    streak.a = nearWindow(rng, size);
    const double angle = rng.uniform(0.0, 2.0 * kPi), length = rng.uniform(60.0, 300.0);
    streak.b = streak.a + length * cv::Point2d(std::cos(angle), std::sin(angle));
    streak.width = rng.uniform(0.8, 2.0);
    streak.peak = rng.uniform(30.0, 120.0);
    if (rng.uniform(0, 2)) streak.tint = {0.2, 0.3, 1.0};
    bool clear = true;
    for (double t = 0.0; t <= length && clear; t += 1.0)
      clear = allowed(streak.a + t * cv::Point2d(std::cos(angle), std::sin(angle)), spot, placement);
    if (clear) return streak;
  }
}

// A white point source: a glint of sigma 0.5 .. 0.8, or a speckle (one
// clipped pixel).
Spot whitePoint(cv::Point2d centre, double sigma, double peak) {
  Spot point;
  point.centre = centre;
  point.sigma = sigma;
  point.peak = peak;
  point.green = point.blue = 1.0;
  return point;
}

}  // namespace

FrameRecipe classFrame(SpotClass spotClass, std::uint64_t seed, cv::Size size) {
  cv::RNG rng(seed * 104729 + 17);
  FrameRecipe recipe = background(rng, seed, size);
  recipe.spots.push_back(classSpot(spotClass, rng, recipe));
  return recipe;
}

FrameRecipe hostileFrame(std::uint64_t seed, Placement placement, cv::Size size) {
  cv::RNG rng(seed * 130363 + 29);
  FrameRecipe recipe = background(rng, seed, size);
  const Spot spot = classSpot(seed % 2 ? SpotClass::kSaturated : SpotClass::kClean, rng, recipe);
  recipe.spots.push_back(spot);
  Spot reflection = spot;
  do {
    const double angle = rng.uniform(0.0, 2.0 * kPi), distance = rng.uniform(20.0, 100.0);
    reflection.centre = spot.centre + distance * cv::Point2d(std::cos(angle), std::sin(angle));
  } while (!allowed(reflection.centre, spot.centre, placement));
  reflection.peak = spot.peak * rng.uniform(0.1, 0.5);
  recipe.spots.push_back(reflection);
  for (int i = rng.uniform(0, 5); i > 0; --i) {
    const cv::Point2d at = placed(rng, size, spot.centre, placement);  // draws in a fixed order
    const double sigma = rng.uniform(0.5, 0.8);
    recipe.spots.push_back(whitePoint(at, sigma, rng.uniform(80.0, 250.0)));
  }
  for (int i = rng.uniform(0, 30); i > 0; --i)
    recipe.spots.push_back(whitePoint(placed(rng, size, spot.centre, placement), kSpeckleSigma, kSpecklePeak));
  if (rng.uniform(0, 3) != 0) recipe.streaks.push_back(placedStreak(rng, size, spot.centre, placement));
  return recipe;
}

}  // namespace talmeq::sim
