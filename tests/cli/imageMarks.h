// Looks for the drawn marks of the tool's pictures: pixels of an exact
// colour in an area, not pixel-for-pixel comparisons.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::test {

inline int countPixelsOf(const cv::Mat& image, cv::Rect area, cv::Vec3b colour) {
  cv::Mat same;
  const cv::Scalar exact(colour[0], colour[1], colour[2]);
  cv::inRange(image(area & cv::Rect({0, 0}, image.size())), exact, exact, same);
  return cv::countNonZero(same);
}

// A square of side 2 * radius + 1 about `centre`.
inline cv::Rect around(cv::Point2d centre, int radius) {
  return {static_cast<int>(std::lround(centre.x)) - radius, static_cast<int>(std::lround(centre.y)) - radius,
          2 * radius + 1, 2 * radius + 1};
}

}  // namespace talmeq::test
