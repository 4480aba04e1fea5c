// Hand-built scenes for the spot tests: flat backgrounds with pixel-exact
// blocks, so contour areas, ratios and centroids are known in advance.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <utility>
#include <vector>

namespace talmeq::test {

// A block of pixels and its BGR colour.
using Paint = std::pair<cv::Rect, cv::Scalar>;
inline cv::Scalar grey(int level) { return cv::Scalar::all(level); }
inline cv::Scalar red(int level) { return {0, 0, static_cast<double>(level)}; }

// A scene of `size` in `background` with the blocks painted in order.
inline cv::Mat sceneOf(cv::Size size, cv::Scalar background, const std::vector<Paint>& paints) {
  cv::Mat scene(size, CV_8UC3, background);
  for (const Paint& p : paints) scene(p.first).setTo(p.second);
  return scene;
}

}  // namespace talmeq::test
