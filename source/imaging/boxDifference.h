// The dim method's foreground before its closings, in one pass: a value
// counts as foreground where it stands above the mean of the box around it
// by more than a threshold. Equal, pixel for pixel, to cv::blur with that
// box (default anchor, reflect-101 border), cv::subtract of the blur from the
// values (saturating) and cv::threshold of the difference; but it keeps only
// one row of column sums and their running totals, which the caller owns
// and reuses.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::detail {

// `values`: 8-bit, one channel; the image ends where it ends (reflect-101
// beyond). `inner`: the rectangle of `values` to compute. `side`: the box's
// odd side. `out` (inner's size, 8-bit, one channel) receives 255 where the
// value minus the rounded box mean exceeds `threshold`, 0 elsewhere.
// `columnSums` and `prefix` are scratch.
void boxDifferenceAbove(const cv::Mat& values, cv::Rect inner, int side, int threshold, cv::Mat& out,
                        std::vector<int>& columnSums, std::vector<int>& prefix);

}  // namespace talmeq::detail
