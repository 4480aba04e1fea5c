// Rank selection on 8-bit images by counting: a 256-bin histogram finds the
// n-th largest value in one pass, with no copy and no sort.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::detail {

// The `rank`-th largest value (1 = the largest) of an 8-bit single-channel
// image holding at least `rank` pixels.
int rankedValue(const cv::Mat& values, int rank);

}  // namespace talmeq::detail
