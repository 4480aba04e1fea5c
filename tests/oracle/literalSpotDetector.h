// The spot detector read literally: every step on the whole frame, exactly
// as the steps are stated (grey and threshold of the full image, the list of
// window values, whole-image blur and closings, a full-size window mask).
// Slow but plainly right; the library's windowed pipeline is checked
// against it frame by frame, messages included.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::test {

// Same contract, result codes and messages as getSpotCoord.
int literalGetSpotCoord(cv::Mat image, cv::Point& coord);

}  // namespace talmeq::test
