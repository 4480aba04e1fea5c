#include "redChannel.h"

#include <opencv2/core/hal/intrin.hpp>

#include "frameWorkspace.h"

namespace talmeq::detail {

void redChannel(const cv::Mat& bgr, cv::Mat& red) {
  if (bgr.type() != CV_8UC3) {
    cv::extractChannel(bgr, red, 2);
    return;
  }
  CV_Assert(red.type() == CV_8UC1 && red.size() == bgr.size());
  for (int y = 0; y < bgr.rows; ++y) {
    const uchar* src = bgr.ptr<uchar>(y);
    uchar* dst = red.ptr<uchar>(y);
    int x = 0;
#if CV_SIMD128
    for (; x + 16 <= bgr.cols; x += 16) {
      cv::v_uint8x16 b, g, r;
      cv::v_load_deinterleave(src + 3 * x, b, g, r);
      cv::v_store(dst + x, r);
    }
#endif
    for (; x < bgr.cols; ++x) dst[x] = src[3 * x + 2];
  }
}

cv::Mat redChannel(const cv::Mat& image, cv::Rect area, cv::Mat& buffer) {
  cv::Mat red = reusedView(buffer, area.size(), CV_8UC1);
  redChannel(image(area), red);
  return red;
}

}  // namespace talmeq::detail
