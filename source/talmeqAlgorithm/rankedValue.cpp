#include "rankedValue.h"

#include <array>

namespace talmeq {

int rankedValue(const cv::Mat& values, int rank) {
  CV_Assert(values.type() == CV_8UC1 && values.total() >= static_cast<std::size_t>(rank) && rank >= 1);
  std::array<int, 256> histogram{};
  for (int y = 0; y < values.rows; ++y) {
    const uchar* row = values.ptr<uchar>(y);
    for (int x = 0; x < values.cols; ++x) ++histogram[row[x]];
  }
  int value = 255;
  for (int seen = histogram[255]; seen < rank; seen += histogram[--value]) {
  }
  return value;
}

}  // namespace talmeq
