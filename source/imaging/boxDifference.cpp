#include "boxDifference.h"

#include <algorithm>
#include <opencv2/core/base.hpp>

namespace talmeq::detail {
namespace {

// Index of `p` in a line of `length` values under OpenCV's reflect-101 rule.
int reflected(int p, int length) { return cv::borderInterpolate(p, length, cv::BORDER_REFLECT_101); }

// Adds the values of row `enter` at columns x0 .. x0 + sums.size() - 1
// (reflected where they fall outside the row) to `sums`, and subtracts those
// of row `leave` unless it is null.
void slideRows(const uchar* enter, const uchar* leave, int cols, int x0, std::vector<int>& sums) {
  const int count = static_cast<int>(sums.size());
  const int lo = std::min(count, std::max(0, -x0));         // first column inside the row
  const int hi = std::max(lo, std::min(count, cols - x0));  // one past the last
  int* s = sums.data();
  auto edge = [&](int i) {
    const int x = reflected(x0 + i, cols);
    s[i] += enter[x] - (leave != nullptr ? leave[x] : 0);
  };
  for (int i = 0; i < lo; ++i) edge(i);
  const uchar* in = enter + x0;
  if (leave != nullptr) {
    const uchar* out = leave + x0;
    for (int i = lo; i < hi; ++i) s[i] += in[i] - out[i];
  } else {
    for (int i = lo; i < hi; ++i) s[i] += in[i];
  }
  for (int i = hi; i < count; ++i) edge(i);
}

}  // namespace

void boxDifferenceAbove(const cv::Mat& values, cv::Rect inner, int side, int threshold, cv::Mat& out,
                        std::vector<int>& columnSums, std::vector<int>& prefix) {
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
    slideRows(values.ptr<uchar>(reflected(q, values.rows)), nullptr, values.cols, x0, columnSums);
  prefix.resize(columnSums.size() + 1);
  for (int y = inner.y; y < inner.y + inner.height; ++y) {
    if (y > inner.y)
      slideRows(values.ptr<uchar>(reflected(y + radius, values.rows)),
                values.ptr<uchar>(reflected(y - radius - 1, values.rows)), values.cols, x0, columnSums);
    // Box sums as differences of running totals, so that the comparison
    // below carries nothing from pixel to pixel.
    const int* sums = columnSums.data();
    int* total = prefix.data();
    total[0] = 0;
    for (std::size_t i = 0; i < columnSums.size(); ++i) total[i + 1] = total[i] + sums[i];
    const uchar* value = values.ptr<uchar>(y) + inner.x;
    uchar* dst = out.ptr<uchar>(y - inner.y);
    // value - round(box / area) > threshold, without dividing: the rounded
    // mean floor((box + half) / area) is below value - threshold exactly
    // when box + half is below (value - threshold) * area.
    for (int x = 0; x < inner.width; ++x) {
      const int box = total[x + side] - total[x];
      dst[x] = box + half < (value[x] - threshold) * area ? 255 : 0;
    }
  }
}

}  // namespace talmeq::detail
