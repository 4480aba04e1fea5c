// The 5 x 5 box mean of an 8-bit image at single pixels, to the bit as
// cv::boxFilter(values, means, CV_32F, cv::Size(5, 5), cv::Point(-1, -1),
// true, cv::BORDER_REPLICATE) gives it, without the filter engine that
// cv::boxFilter builds (and allocates) on every call: a candidate's peak is
// read at the pixels of its mask alone, and peaks are compared exactly.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::station {

inline constexpr int kBoxSide = 5;

// The mean at (x, y) of `values` (CV_8UC1); rows and columns past its edge
// repeat the edge's, as cv::boxFilter has them for an image that is not a
// view into a larger one.
float boxMean(const cv::Mat& values, int x, int y);

struct BoxPeak {
  double value = 0.0;        // the highest mean
  cv::Point at{-1, -1};      // where, the first in row order among equals
};

// The highest mean over the pixels where `mask` (CV_8UC1, the size of
// `values`) is non-zero, as cv::minMaxLoc over the filtered image with that
// mask reports it; 0 at (-1, -1) when the mask is empty.
BoxPeak brightestBoxMean(const cv::Mat& values, const cv::Mat& mask);

}  // namespace talmeq::station
