// How strong an accepted blob is: the red excess over the blob's local
// background summed over the blob's filled pixels. A weaker reflection,
// a glint or a piece of a streak cut by the detection window holds fewer
// pixels, lower ones, or both.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

namespace talmeq::station {

// `blob`: an outer contour in full-image pixels. The background is the
// median red value of the ring two to four pixels outside the blob's box.
double blobStrength(const cv::Mat& image, const std::vector<cv::Point>& blob);

}  // namespace talmeq::station
