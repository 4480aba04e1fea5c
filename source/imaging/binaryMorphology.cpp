#include "binaryMorphology.h"

#include <algorithm>
#include <cstring>
#include <opencv2/core/utility.hpp>

namespace talmeq::detail {
namespace {

using Shape = MorphStep::Shape;
using Op = MorphStep::Op;

// The value a step spreads: foreground for a dilation, background for an
// erosion. The other value is its complement.
uchar spreadValue(Op op) { return op == Op::kDilate ? 255 : 0; }

// Row line: every run of the spread value in the row spreads `radius`
// pixels to both sides. Runs are found with memchr, so sparse rows cost
// little more than a copy.
void rowStep(const cv::Mat& in, cv::Mat& out, cv::Rect rect, int radius, Op op) {
  const uchar spread = spreadValue(op);
  const uchar rest = static_cast<uchar>(255 - spread);
  const int lo = std::max(0, rect.x - radius);
  const int hi = std::min(in.cols, rect.x + rect.width + radius);
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    const uchar* src = in.ptr<uchar>(y);
    uchar* dst = out.ptr<uchar>(y);
    std::memset(dst + rect.x, rest, rect.width);
    const uchar* p = src + lo;
    const uchar* end = src + hi;
    while ((p = static_cast<const uchar*>(std::memchr(p, spread, end - p))) != nullptr) {
      const uchar* q = static_cast<const uchar*>(std::memchr(p, rest, end - p));
      if (q == nullptr) q = end;
      const int a = std::max(rect.x, static_cast<int>(p - src) - radius);
      const int b = std::min(rect.x + rect.width, static_cast<int>(q - src) + radius);
      if (a < b) std::memset(dst + a, spread, b - a);
      p = q;
    }
  }
}

// Column line: a running count, per column, of spread values among the rows
// within `radius`; one row enters and one leaves per output row.
void columnStep(const cv::Mat& in, cv::Mat& out, cv::Rect rect, int radius, Op op) {
  const uchar flip = op == Op::kDilate ? 0 : 255;  // maps the spread value to 255
  const int width = rect.width;
  cv::AutoBuffer<uchar, 8192> counts(static_cast<std::size_t>(width));  // on the stack up to 8192 columns
  uchar* const count = counts.data();
  std::memset(count, 0, static_cast<std::size_t>(width));
  auto add = [&](int row, int sign) {
    if (row < 0 || row >= in.rows) return;
    const uchar* src = in.ptr<uchar>(row) + rect.x;
    for (int x = 0; x < width; ++x) count[x] = static_cast<uchar>(count[x] + sign * ((src[x] ^ flip) & 1));
  };
  for (int row = rect.y - radius; row < rect.y + radius; ++row) add(row, 1);
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    add(y + radius, 1);
    uchar* dst = out.ptr<uchar>(y) + rect.x;
    for (int x = 0; x < width; ++x) dst[x] = static_cast<uchar>((count[x] != 0 ? 255 : 0) ^ flip);
    add(y - radius, -1);
  }
}

template <class Combine>
void crossRows(const uchar* up, const uchar* mid, const uchar* down, uchar* dst, int x0, int x1, int cols,
               Combine combine) {
  auto at = [&](int x) {
    const uchar left = x > 0 ? mid[x - 1] : mid[x];
    const uchar right = x + 1 < cols ? mid[x + 1] : mid[x];
    return combine(combine(mid[x], left), combine(right, combine(up[x], down[x])));
  };
  const int inner0 = std::max(x0, 1);
  const int inner1 = std::min(x1, cols - 1);
  if (x0 < inner0) dst[x0] = at(x0);
  for (int x = inner0; x < inner1; ++x)
    dst[x] = combine(combine(mid[x], mid[x - 1]), combine(mid[x + 1], combine(up[x], down[x])));
  if (inner1 < x1 && inner1 >= inner0) dst[inner1] = at(inner1);
}

// 3 x 3 cross: a missing neighbour beyond the buffer is replaced by the
// pixel itself, which leaves the maximum or minimum unchanged.
void crossStep(const cv::Mat& in, cv::Mat& out, cv::Rect rect, Op op) {
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    const uchar* mid = in.ptr<uchar>(y);
    const uchar* up = y > 0 ? in.ptr<uchar>(y - 1) : mid;
    const uchar* down = y + 1 < in.rows ? in.ptr<uchar>(y + 1) : mid;
    uchar* dst = out.ptr<uchar>(y);
    const int x1 = rect.x + rect.width;
    if (op == Op::kDilate)
      crossRows(up, mid, down, dst, rect.x, x1, in.cols, [](uchar a, uchar b) { return std::max(a, b); });
    else
      crossRows(up, mid, down, dst, rect.x, x1, in.cols, [](uchar a, uchar b) { return std::min(a, b); });
  }
}

cv::Size stepReach(const MorphStep& step) {
  switch (step.shape) {
    case Shape::kRow:
      return {step.radius, 0};
    case Shape::kColumn:
      return {0, step.radius};
    default:
      return {1, 1};
  }
}

void applyStep(const MorphStep& step, const cv::Mat& in, cv::Mat& out, cv::Rect rect) {
  switch (step.shape) {
    case Shape::kRow:
      rowStep(in, out, rect, step.radius, step.op);
      break;
    case Shape::kColumn:
      columnStep(in, out, rect, step.radius, step.op);
      break;
    default:
      crossStep(in, out, rect, step.op);
      break;
  }
}

}  // namespace

MorphSteps crossClosing(int iterations) {
  MorphSteps steps(iterations, {Shape::kCross, Op::kDilate, 1});
  steps.insert(steps.end(), iterations, {Shape::kCross, Op::kErode, 1});
  return steps;
}

MorphSteps rectClosing(cv::Size kernel) {
  // The longer line goes first: the second line then runs on a region grown
  // only by the shorter one.
  const MorphStep row{Shape::kRow, Op::kDilate, kernel.width / 2};
  const MorphStep column{Shape::kColumn, Op::kDilate, kernel.height / 2};
  MorphSteps dilation = kernel.width >= kernel.height ? MorphSteps{row, column} : MorphSteps{column, row};
  MorphSteps steps = dilation;
  for (MorphStep step : dilation) {
    step.op = Op::kErode;
    steps.push_back(step);
  }
  return steps;
}

cv::Rect grownBy(cv::Rect r, cv::Size reach) {
  return {r.x - reach.width, r.y - reach.height, r.width + 2 * reach.width, r.height + 2 * reach.height};
}

cv::Size reachOf(const MorphSteps& steps) {
  cv::Size reach(0, 0);
  for (const MorphStep& step : steps) reach += stepReach(step);
  return reach;
}

cv::Rect foregroundBox(const cv::Mat& binary) {
  CV_Assert(binary.type() == CV_8UC1);
  cv::AutoBuffer<uchar, 4096> orOfRows(static_cast<std::size_t>(binary.cols));  // OR of the rows with foreground
  uchar* const columns = orOfRows.data();
  std::memset(columns, 0, static_cast<std::size_t>(binary.cols));
  int top = -1, bottom = -1;
  for (int y = 0; y < binary.rows; ++y) {
    const uchar* row = binary.ptr<uchar>(y);
    uchar any = 0;
    for (int x = 0; x < binary.cols; ++x) any |= row[x];
    if (any == 0) continue;
    if (top < 0) top = y;
    bottom = y;
    for (int x = 0; x < binary.cols; ++x) columns[x] |= row[x];
  }
  if (top < 0) return {};
  int left = 0, right = binary.cols;
  while (columns[left] == 0) ++left;  // some column holds foreground: the rows with it were merged
  while (columns[right - 1] == 0) --right;
  return {left, top, right - left, bottom + 1 - top};
}

cv::Mat applyMorphSteps(cv::Mat binary, const MorphSteps& steps, cv::Rect target) {
  cv::Mat scratch(binary.size(), CV_8UC1);
  return applyMorphSteps(std::move(binary), steps, target, std::move(scratch));
}

cv::Mat applyMorphSteps(cv::Mat binary, const MorphSteps& steps, cv::Rect target, cv::Mat scratch) {
  CV_Assert(scratch.type() == CV_8UC1 && scratch.size() == binary.size());
  // Plan backwards: each step must produce what the next one reads.
  const cv::Rect whole(0, 0, binary.cols, binary.rows);
  cv::AutoBuffer<cv::Rect, 16> rects(steps.size());
  cv::Rect need = target;
  for (std::size_t i = steps.size(); i-- > 0;) {
    rects[i] = need;
    need = grownBy(need, stepReach(steps[i])) & whole;
  }
  for (std::size_t i = 0; i < steps.size(); ++i) {
    applyStep(steps[i], binary, scratch, rects[i]);
    std::swap(binary, scratch);
  }
  return binary;
}

}  // namespace talmeq::detail
