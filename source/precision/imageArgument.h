// The one check every reading makes on its image argument.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::detail::precision {

// Raises cv::Exception (StsBadArg, the message led by `caller`) unless
// `image` is a non-empty 8-bit image of three or four channels.
void requireColourImage(const cv::Mat& image, const char* caller);

}  // namespace talmeq::detail::precision
