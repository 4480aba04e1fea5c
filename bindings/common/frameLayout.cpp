// Frame layouts and views over host memory (see frameLayout.h).
#include "frameLayout.h"

#include <limits>

namespace talmeq::bindings {

bool fitsLayout(FrameLayout layout, int channels) {
  return channels == 3 || (layout == FrameLayout::GreyOrColour && channels == 1) ||
         (layout == FrameLayout::ColourOrBgra && channels == 4);
}

const char* describeLayout(FrameLayout layout) {
  switch (layout) {
    case FrameLayout::Colour:
      return "H x W x 3";
    case FrameLayout::GreyOrColour:
      return "H x W or H x W x 3";
    default:
      return "H x W x 3 or H x W x 4";
  }
}

std::string viewFrame(const void* data, long long rows, long long cols, long long stride, int channels,
                      cv::Mat& frame) {
  constexpr long long kIntMax = std::numeric_limits<int>::max();
  if (rows < 0 || cols < 0 || rows > kIntMax || cols > kIntMax)
    return "the width and height must lie between 0 and " + std::to_string(kIntMax);
  if (channels < 1 || channels > 4) return "the channel count must be 1 to 4";
  if (rows == 0 || cols == 0) {
    frame = cv::Mat();
    return {};
  }
  if (data == nullptr) return "the pixel data is missing";
  if (stride < cols * channels)
    return "the row stride " + std::to_string(stride) + " is shorter than a row of " + std::to_string(cols * channels) +
           " bytes";
  // OpenCV only reads through this header; the const is the caller's promise.
  frame = cv::Mat(static_cast<int>(rows), static_cast<int>(cols), CV_8UC(channels), const_cast<void*>(data),
                  static_cast<std::size_t>(stride));
  return {};
}

}  // namespace talmeq::bindings
