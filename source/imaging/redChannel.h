// The red channel of a BGR frame, copied into a reused buffer: the dim
// method, the region locator's track pass and the precision layer look at
// red alone, and a fresh cv::Mat per stage and call would ask the heap for
// memory on every frame.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::detail {

// Channel 2 of `bgr` (8-bit, three or four channels) into `red` (CV_8UC1,
// the size of `bgr`), as cv::extractChannel gives it. For the usual three
// channels a loop over OpenCV's portable vector registers, where its
// general channel mixer copies byte by byte.
void redChannel(const cv::Mat& bgr, cv::Mat& red);

// Channel 2 of `image` inside `area` (within the image) into a CV_8UC1 view
// of `buffer` at its top-left, growing `buffer` when it is too small, and
// returns the view. Whatever else `buffer` held is left as it was.
cv::Mat redChannel(const cv::Mat& image, cv::Rect area, cv::Mat& buffer);

}  // namespace talmeq::detail
