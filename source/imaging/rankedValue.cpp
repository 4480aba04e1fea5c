#include "rankedValue.h"

#include <array>

namespace talmeq::detail {

int rankedValue(const cv::Mat& values, int rank) {
  CV_Assert(values.type() == CV_8UC1 && values.total() >= static_cast<std::size_t>(rank) && rank >= 1);
  // Four interleaved counts, so that runs of equal values do not wait on
  // one another's increments; summed afterwards.
  std::array<std::array<int, 256>, 4> counts{};
  for (int y = 0; y < values.rows; ++y) {
    const uchar* row = values.ptr<uchar>(y);
    int x = 0;
    for (; x + 4 <= values.cols; x += 4) {
      ++counts[0][row[x]];
      ++counts[1][row[x + 1]];
      ++counts[2][row[x + 2]];
      ++counts[3][row[x + 3]];
    }
    for (; x < values.cols; ++x) ++counts[0][row[x]];
  }
  auto count = [&](int value) { return counts[0][value] + counts[1][value] + counts[2][value] + counts[3][value]; };
  int value = 255;
  for (int seen = count(255); seen < rank; seen += count(--value)) {
  }
  return value;
}

}  // namespace talmeq::detail
