// Looks for the drawn marks of the tool's pictures: pixels of an exact
// colour in an area, not pixel-for-pixel comparisons.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::test {

inline int countPixelsOf(const cv::Mat& image, cv::Rect area, cv::Vec3b colour) {
  area &= cv::Rect({0, 0}, image.size());
  int count = 0;
  for (int y = area.y; y < area.br().y; ++y)
    for (int x = area.x; x < area.br().x; ++x) count += image.at<cv::Vec3b>(y, x) == colour ? 1 : 0;
  return count;
}

inline bool anyPixelOf(const cv::Mat& image, cv::Rect area, cv::Vec3b colour) {
  return countPixelsOf(image, area, colour) > 0;
}

// A square of side 2 * radius + 1 about `centre`.
inline cv::Rect around(cv::Point2d centre, int radius) {
  return {static_cast<int>(std::lround(centre.x)) - radius, static_cast<int>(std::lround(centre.y)) - radius,
          2 * radius + 1, 2 * radius + 1};
}

}  // namespace talmeq::test
