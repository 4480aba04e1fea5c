// Border following after Suzuki and Abe, in the variant cv::findContours
// runs for RETR_LIST and RETR_EXTERNAL: the image is scanned row by row, a
// 0 -> 1 step starts an outer border and a 1 -> 0 step a hole border, and
// each border is followed once, its pixels marked so that it is not started
// again. With CHAIN_APPROX_SIMPLE a contour keeps the pixels where the
// direction of the walk changes. Contours come out in the reverse of the
// order they were found, as cv::findContours gives them.
#include "contourTracing.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <opencv2/imgproc.hpp>

namespace talmeq::detail {
namespace {

// A followed border pixel, and one whose east neighbour is background (the
// border leaves it to the right): the scan must not start a hole there.
constexpr schar kBorder = 2;
constexpr schar kEastBorder = static_cast<schar>(2 | 0x80);

// The eight neighbours in the walking order, east first then
// counter-clockwise, as steps in the image and as chain moves.
const cv::Point kMoves[8] = {{1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}};

struct Neighbours {
  std::ptrdiff_t offset[16];  // twice round, so a search may run on past west
  explicit Neighbours(std::ptrdiff_t step) {
    for (int s = 0; s < 16; ++s) offset[s] = kMoves[s & 7].y * step + kMoves[s & 7].x;
  }
};

// Follows the border that starts at `start` (an outer border, or a hole
// border when `hole`) and appends its direction changes to `points`,
// starting with `at` (the start's position in output coordinates).
void followBorder(schar* start, const Neighbours& n, cv::Point at, bool hole, Contour& points) {
  // The last neighbour of the start, searching clockwise from where the
  // background lies (west of an outer border's start, east of a hole's).
  const int from = hole ? 0 : 4;
  int s = from;
  schar* last = nullptr;
  do {
    s = (s - 1) & 7;
    last = start + n.offset[s];
  } while (*last == 0 && s != from);
  if (s == from) {  // a single pixel
    *start = kEastBorder;
    points.push_back(at);
    return;
  }
  schar* here = start;
  int previous = s ^ 4;
  for (;;) {
    // The next foreground neighbour counter-clockwise from the one we came from.
    const int came = s;
    schar* next = here;
    while (s < 15) {
      next = here + n.offset[++s];
      if (*next != 0) break;
    }
    s &= 7;
    if (static_cast<unsigned>(s - 1) < static_cast<unsigned>(came))
      *here = kEastBorder;
    else if (*here == 1)
      *here = kBorder;
    if (s != previous) {
      points.push_back(at);
      previous = s;
    }
    at += kMoves[s];
    if (next == start && here == last) break;
    here = next;
    s = (s + 4) & 7;
  }
}

// The outermost ring to background, every other pixel to 0 or 1.
void binarise(cv::Mat& image) {
  std::memset(image.ptr(0), 0, static_cast<std::size_t>(image.cols));
  std::memset(image.ptr(image.rows - 1), 0, static_cast<std::size_t>(image.cols));
  for (int y = 1; y < image.rows - 1; ++y) image.ptr(y)[0] = image.ptr(y)[image.cols - 1] = 0;
  cv::threshold(image, image, 0, 1, cv::THRESH_BINARY);
}

}  // namespace

void traceContours(cv::Mat& image, int mode, cv::Point offset, Contours& out, ContourStore& store) {
  CV_Assert(image.type() == CV_8UC1 && image.rows >= 3 && image.cols >= 3);
  CV_Assert(mode == cv::RETR_LIST || mode == cv::RETR_EXTERNAL);
  recycleContours(out, store);
  binarise(image);
  const bool outerOnly = mode == cv::RETR_EXTERNAL;
  const Neighbours neighbours(static_cast<std::ptrdiff_t>(image.step));
  for (int y = 1; y < image.rows - 1; ++y) {
    schar* row = image.ptr<schar>(y);
    int lastBorder = 0;  // column of the last border pixel met on this row
    int prev = 0;
    for (int x = 1; x < image.cols - 1; ++x) {
      const int p = row[x];
      if (p == prev) continue;
      const bool outer = prev == 0 && p == 1;
      const bool hole = !outer && p == 0 && prev >= 1;
      if (hole && (prev & -2) != 0) lastBorder = x - 1;
      // Outer-only tracing skips holes and borders inside an outer border
      // (the last border met is one whose east side is foreground).
      const bool start = (outer || hole) && !(outerOnly && (hole || row[lastBorder] > 0));
      if (start) {
        const int column = x - (hole ? 1 : 0);
        lastBorder = column;
        out.push_back(spareContour(store));
        followBorder(row + column, neighbours, cv::Point(column, y) + offset, hole, out.back());
        prev = row[x];  // as the border left it
        continue;
      }
      prev = p;
      if ((prev & -2) != 0) lastBorder = x;
    }
  }
  std::reverse(out.begin(), out.end());
}

void recycleContours(Contours& lists, ContourStore& store) {
  for (Contour& list : lists) {
    list.clear();
    store.spare.push_back(std::move(list));
  }
  lists.clear();
}

Contour spareContour(ContourStore& store) {
  if (store.spare.empty()) return {};
  Contour list = std::move(store.spare.back());
  store.spare.pop_back();
  return list;
}

}  // namespace talmeq::detail
