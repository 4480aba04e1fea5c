#include "boxMean.h"

#include <algorithm>

namespace talmeq::station {
namespace {

constexpr int kReach = kBoxSide / 2;
constexpr double kScale = 1.0 / (kBoxSide * kBoxSide);
constexpr int kLanes = 4;

}  // namespace

float boxMean(const cv::Mat& values, int x, int y) {
  int sum = 0;
  for (int dy = -kReach; dy <= kReach; ++dy) {
    const uchar* row = values.ptr<uchar>(std::clamp(y + dy, 0, values.rows - 1));
    for (int dx = -kReach; dx <= kReach; ++dx) sum += row[std::clamp(x + dx, 0, values.cols - 1)];
  }
  // cv::boxFilter scales its integer sums to float in two ways: in vector
  // lanes, groups of four columns from the left, as float(sum) * float(1 /
  // 25); the columns past the last whole group as float(sum * (1.0 / 25)),
  // in double. The two round some sums differently.
  if (x < values.cols / kLanes * kLanes) return static_cast<float>(sum) * static_cast<float>(kScale);
  return static_cast<float>(sum * kScale);
}

BoxPeak brightestBoxMean(const cv::Mat& values, const cv::Mat& mask) {
  BoxPeak peak;
  float highest = 0.0f;
  for (int y = 0; y < values.rows; ++y) {
    const uchar* inside = mask.ptr<uchar>(y);
    for (int x = 0; x < values.cols; ++x) {
      if (!inside[x]) continue;
      const float mean = boxMean(values, x, y);
      if (peak.at.x < 0 || mean > highest) highest = mean, peak.at = {x, y};
    }
  }
  peak.value = highest;
  return peak;
}

}  // namespace talmeq::station
