// Hand-built scenes for the spot tests: flat backgrounds with pixel-exact
// shapes, so contour areas, ratios and centroids are known in advance.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace talmeq::test {

// A BGR image of one grey level.
inline cv::Mat flatScene(cv::Size size, int grey) { return cv::Mat(size, CV_8UC3, cv::Scalar::all(grey)); }

// Paints the pixels of `r` (as cv::Rect: top-left inclusive, bottom-right
// exclusive) with the grey level `grey`.
inline void paint(cv::Mat& scene, cv::Rect r, int grey) { scene(r).setTo(cv::Scalar::all(grey)); }

}  // namespace talmeq::test
