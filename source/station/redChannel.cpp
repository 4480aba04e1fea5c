#include "redChannel.h"

#include "frameWorkspace.h"

namespace talmeq::station {

cv::Mat redChannel(const cv::Mat& image, cv::Rect area, cv::Mat& buffer) {
  cv::Mat red = reusedView(buffer, area.size(), CV_8UC1);
  const int channels = image.channels();
  for (int y = 0; y < area.height; ++y) {
    const uchar* from = image.ptr<uchar>(area.y + y) + area.x * channels + 2;
    uchar* to = red.ptr<uchar>(y);
    for (int x = 0; x < area.width; ++x) to[x] = from[x * channels];
  }
  return red;
}

}  // namespace talmeq::station
