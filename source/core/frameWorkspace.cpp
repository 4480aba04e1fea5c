#include "frameWorkspace.h"

#include <algorithm>
#include <cstring>

namespace talmeq::detail {

cv::Mat reusedView(cv::Mat& buffer, cv::Size size, int type) {
  if (buffer.type() != type || buffer.rows < size.height || buffer.cols < size.width)
    buffer.create(std::max(buffer.rows, size.height), std::max(buffer.cols, size.width), type);
  return buffer(cv::Rect(cv::Point(0, 0), size));
}

SpotWorkspace& spotWorkspace() { return ThreadWorkspace<SpotWorkspace>::current(); }

RegionWorkspace& regionWorkspace() { return ThreadWorkspace<RegionWorkspace>::current(); }

void zeroPixels(cv::Mat& view) {
  const std::size_t rowBytes = static_cast<std::size_t>(view.cols) * view.elemSize();
  for (int y = 0; y < view.rows; ++y) std::memset(view.ptr(y), 0, rowBytes);
}

}  // namespace talmeq::detail
