// The 5 x 5 box mean of an 8-bit image at single pixels. It replaces
// cv::boxFilter(values, sums, CV_32S, cv::Size(5, 5), cv::Point(-1, -1),
// false, cv::BORDER_REPLICATE) followed by a division by 25, and must agree
// with that integer filter to the bit: the sums are whole numbers, exact on
// every OpenCV build and every processor, where a float-valued filter rounds
// as its vector path happens to. It reads only the pixels asked for, without
// the filter engine cv::boxFilter builds (and allocates) on every call: a
// candidate's peak is read at the pixels of its mask alone, and peaks are
// compared exactly, by their sums.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::detail {

inline constexpr int kBoxSide = 5;

// The sum at (x, y) of `values` (CV_8UC1) over the 5 x 5 box around it; rows
// and columns past its edge repeat the edge's, as cv::boxFilter has them for
// an image that is not a view into a larger one.
int boxSum(const cv::Mat& values, int x, int y);

struct BoxPeak {
  double value = 0.0;    // the highest mean, its sum / 25
  cv::Point at{-1, -1};  // where, the first in row order among equals
};

// The highest mean over the pixels where `mask` (CV_8UC1, the size of
// `values`) is non-zero, as cv::minMaxLoc over the summed image with that
// mask reports it; 0 at (-1, -1) when the mask is empty.
BoxPeak brightestBoxMean(const cv::Mat& values, const cv::Mat& mask);

}  // namespace talmeq::detail
