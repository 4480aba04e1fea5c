// Hand-built scenes for the spot detector: flat backgrounds with pixel-exact
// shapes, so contour areas, ratios and centroids are known in advance.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <initializer_list>

namespace talmeq::test {

// A BGR image of one grey level.
inline cv::Mat flatScene(cv::Size size, int grey) {
  return cv::Mat(size, CV_8UC3, cv::Scalar(grey, grey, grey));
}

// Paints the pixels of `r` (inclusive of its top-left, exclusive of its
// bottom-right, as cv::Rect) with the grey level `grey`.
inline void paint(cv::Mat& scene, cv::Rect r, int grey) {
  scene(r).setTo(cv::Scalar(grey, grey, grey));
}

// Paints single pixels.
inline void paintPixels(cv::Mat& scene, std::initializer_list<cv::Point> pixels, int grey) {
  for (const cv::Point& p : pixels) scene.at<cv::Vec3b>(p) = cv::Vec3b(grey, grey, grey);
}

}  // namespace talmeq::test
