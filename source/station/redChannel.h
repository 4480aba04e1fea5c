// The red channel of part of a BGR frame, copied into a reused buffer: the
// reading's stages look at red alone, and a fresh cv::Mat per stage and
// call would ask the heap for memory on every frame.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::station {

// Copies channel 2 of `image` (8-bit, three or four channels) inside `area`
// (within the image) into a CV_8UC1 view of `buffer` at its top-left,
// growing `buffer` when it is too small, and returns the view. Whatever
// else `buffer` held is left as it was.
cv::Mat redChannel(const cv::Mat& image, cv::Rect area, cv::Mat& buffer);

}  // namespace talmeq::station
