#include "boxDifference.h"

#include <opencv2/core/base.hpp>

#include <algorithm>

namespace talmeq {
namespace {

// Index of `p` in a line of `length` values under OpenCV's reflect-101 rule.
int reflected(int p, int length) { return cv::borderInterpolate(p, length, cv::BORDER_REFLECT_101); }

// Adds `sign` times the values of `row` at columns x0 .. x0 + sums.size() - 1
// (reflected where they fall outside the row) to `sums`.
void addRow(const uchar* row, int cols, int x0, int sign, std::vector<int>& sums) {
  const int count = static_cast<int>(sums.size());
  const int lo = std::min(count, std::max(0, -x0));      // first column inside the row
  const int hi = std::max(lo, std::min(count, cols - x0));  // one past the last
  int* s = sums.data();
  for (int i = 0; i < lo; ++i) s[i] += sign * row[reflected(x0 + i, cols)];
  const uchar* inside = row + x0;
  if (sign > 0)
    for (int i = lo; i < hi; ++i) s[i] += inside[i];
  else
    for (int i = lo; i < hi; ++i) s[i] -= inside[i];
  for (int i = hi; i < count; ++i) s[i] += sign * row[reflected(x0 + i, cols)];
}

}  // namespace

void boxDifferenceAbove(const cv::Mat& values, cv::Rect inner, int side, int threshold, cv::Mat& out,
                        std::vector<int>& columnSums) {
  CV_Assert(values.type() == CV_8UC1 && side % 2 == 1 && side > 0);
  CV_Assert((inner & cv::Rect(0, 0, values.cols, values.rows)) == inner);
  CV_Assert(out.type() == CV_8UC1 && out.size() == inner.size());
  const int radius = side / 2;
  const int area = side * side;
  // The box mean rounded to the nearest integer. With an odd area a sum is
  // never exactly halfway, so every rounding rule (OpenCV's, in float or in
  // double) gives this value.
  const int half = area / 2;
  const int x0 = inner.x - radius;  // first column whose sum is needed
  columnSums.assign(static_cast<std::size_t>(inner.width + 2 * radius), 0);
  for (int q = inner.y - radius; q <= inner.y + radius; ++q)
    addRow(values.ptr<uchar>(reflected(q, values.rows)), values.cols, x0, 1, columnSums);
  const int* sums = columnSums.data();
  for (int y = inner.y; y < inner.y + inner.height; ++y) {
    if (y > inner.y) {
      addRow(values.ptr<uchar>(reflected(y + radius, values.rows)), values.cols, x0, 1, columnSums);
      addRow(values.ptr<uchar>(reflected(y - radius - 1, values.rows)), values.cols, x0, -1, columnSums);
    }
    const uchar* value = values.ptr<uchar>(y) + inner.x;
    uchar* dst = out.ptr<uchar>(y - inner.y);
    int box = 0;
    for (int i = 0; i < side; ++i) box += sums[i];
    for (int x = 0; x < inner.width; ++x) {
      const int mean = (box + half) / area;
      dst[x] = value[x] - mean > threshold ? 255 : 0;
      if (x + 1 < inner.width) box += sums[x + side] - sums[x];
    }
  }
}

}  // namespace talmeq
