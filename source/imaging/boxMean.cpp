#include "boxMean.h"

#include <algorithm>

namespace talmeq::detail {
namespace {

constexpr int kReach = kBoxSide / 2;

}  // namespace

int boxSum(const cv::Mat& values, int x, int y) {
  int sum = 0;
  for (int dy = -kReach; dy <= kReach; ++dy) {
    const uchar* row = values.ptr<uchar>(std::clamp(y + dy, 0, values.rows - 1));
    for (int dx = -kReach; dx <= kReach; ++dx) sum += row[std::clamp(x + dx, 0, values.cols - 1)];
  }
  return sum;
}

BoxPeak brightestBoxMean(const cv::Mat& values, const cv::Mat& mask) {
  BoxPeak peak;
  int highest = 0;
  for (int y = 0; y < values.rows; ++y) {
    const uchar* inside = mask.ptr<uchar>(y);
    for (int x = 0; x < values.cols; ++x) {
      if (!inside[x]) continue;
      const int sum = boxSum(values, x, y);
      if (peak.at.x < 0 || sum > highest) highest = sum, peak.at = {x, y};
    }
  }
  peak.value = highest / static_cast<double>(kBoxSide * kBoxSide);
  return peak;
}

}  // namespace talmeq::detail
