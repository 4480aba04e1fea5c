// Building blocks of the seeded frames of the differential tests: random
// backgrounds, points, clutter, the layouts a frame can come in (four
// channels, or a view into a larger image), and runs on one thread and on all.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <utility>

#include "spotFrames.h"

namespace talmeq::test {

inline cv::Point2d pointIn(cv::RNG& rng, cv::Rect2d r) {
  return {rng.uniform(r.x, r.x + r.width), rng.uniform(r.y, r.y + r.height)};
}

// A point on one of the four edges of `r` (right and bottom at x + width
// and y + height).
inline cv::Point2d pointOnEdge(cv::RNG& rng, cv::Rect2d r) {
  const cv::Point2d p = pointIn(rng, r);
  switch (rng.uniform(0, 4)) {
    case 0: return {r.x, p.y};
    case 1: return {r.x + r.width, p.y};
    case 2: return {p.x, r.y};
    default: return {p.x, r.y + r.height};
  }
}

// What `run` gives with OpenCV on one thread, then on its default number.
template <class Run>
auto onOneThreadThenAll(Run run) {
  const int defaultThreads = cv::getNumThreads();
  cv::setNumThreads(1);
  const auto single = run();
  cv::setNumThreads(defaultThreads);
  return std::make_pair(single, run());
}

// A frame of `size` with a random background level up to `maxBackground`,
// gradient and noise; pixel noise seeded by `seed`.
inline sim::FrameRecipe randomBackground(cv::RNG& rng, cv::Size size, int seed, double maxBackground) {
  sim::FrameRecipe recipe;
  recipe.size = size;
  recipe.seed = static_cast<std::uint64_t>(seed);
  recipe.background = rng.uniform(5.0, maxBackground);
  recipe.gradient = rng.uniform(-20.0, 40.0);
  recipe.noise = rng.uniform(0.5, 4.0);
  return recipe;
}

// Red and white strokes and blocks starting anywhere in `reach`, up to 60
// pixels long.
inline void addClutter(cv::Mat& frame, cv::RNG& rng, cv::Rect2d reach, int count) {
  for (int i = 0; i < count; ++i) {
    const int red = rng.uniform(90, 256), other = rng.uniform(0, 2) ? red : rng.uniform(0, 60);
    const cv::Scalar colour(other, other, red);
    const cv::Point a = pointIn(rng, reach);
    const cv::Point b = a + cv::Point(rng.uniform(-60, 61), rng.uniform(-60, 61));
    if (rng.uniform(0, 2))
      cv::line(frame, a, b, colour, rng.uniform(1, 4));
    else
      cv::rectangle(frame, cv::Rect(a, cv::Size(rng.uniform(1, 12), rng.uniform(1, 12))), colour, cv::FILLED);
  }
}

// The same pixels as a view at (30, 20) into a larger image whose other
// pixels are `surround`: filters that look past the view would see them.
inline cv::Mat viewInLargerImage(const cv::Mat& image, cv::Scalar surround) {
  cv::Mat parent(image.rows + 40, image.cols + 60, image.type(), surround);
  const cv::Rect place(cv::Point(30, 20), image.size());
  image.copyTo(parent(place));
  return parent(place);
}

}  // namespace talmeq::test
