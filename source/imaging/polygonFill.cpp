#include "polygonFill.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <opencv2/imgproc.hpp>

namespace talmeq::detail {
namespace {

using Edge = PolygonEdges::Edge;

constexpr int kFraction = 16;
constexpr std::int64_t kOne = std::int64_t{1} << kFraction;

// Outlines the closed polygon `contour` + `offset` and adds its
// non-horizontal edges. The walk starts with the first point alone and ends
// back at it, so a single point is drawn as a dot.
void outline(cv::Mat& image, const Contour& contour, cv::Point offset, std::vector<Edge>& edges) {
  cv::Point from = contour.front() + offset;
  for (std::size_t i = 0; i <= contour.size(); ++i) {
    const cv::Point to = contour[i % contour.size()] + offset;
    cv::line(image, from, to, cv::Scalar(255), 1, cv::LINE_8);
    if (from.y != to.y) {
      const std::int64_t fromX = from.x * kOne, toX = to.x * kOne;  // a product: x may be negative
      Edge edge;
      edge.top = std::min(from.y, to.y);
      edge.bottom = std::max(from.y, to.y);
      edge.x = from.y < to.y ? fromX : toX;
      edge.dx = (toX - fromX) / (to.y - from.y);
      edges.push_back(edge);
    }
    from = to;
  }
}

// Fills row `y` between the x of `a` and of `b` (either order): from the
// first pixel at or right of the leftmost to the last at or left of the
// rightmost, clipped.
void span(cv::Mat& image, int y, const Edge& a, const Edge& b) {
  const std::int64_t left = std::min(a.x, b.x), right = std::max(a.x, b.x);
  int x1 = static_cast<int>((left + kOne - 1) >> kFraction);
  int x2 = static_cast<int>(right >> kFraction);
  if (x1 >= image.cols || x2 < 0) return;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, image.cols - 1);
  if (x2 >= x1) std::memset(image.ptr(y) + x1, 255, static_cast<std::size_t>(x2 - x1 + 1));
}

// True when no edge reaches into the image.
bool outsideImage(const std::vector<Edge>& edges, cv::Size size) {
  int top = INT_MAX, bottom = INT_MIN;
  std::int64_t left = INT64_MAX, right = INT64_MIN;
  for (const Edge& e : edges) {
    const std::int64_t end = e.x + (e.bottom - e.top) * e.dx;
    top = std::min(top, e.top);
    bottom = std::max(bottom, e.bottom);
    left = std::min({left, e.x, end});
    right = std::max({right, e.x, end});
  }
  return bottom < 0 || top >= size.height || right < 0 || left >= (std::int64_t{size.width} << kFraction);
}

// Edges by x, those at the same x keeping their order; the list is nearly
// sorted already (edges cross rarely), and std::stable_sort would allocate.
void sortByX(std::vector<Edge*>& edges) {
  for (std::size_t i = 1; i < edges.size(); ++i) {
    Edge* e = edges[i];
    std::size_t j = i;
    for (; j > 0 && edges[j - 1]->x > e->x; --j) edges[j] = edges[j - 1];
    edges[j] = e;
  }
}

// The even-odd scan: row by row, the edges that end there leave, those
// that start there join (before active edges at the same x), consecutive
// pairs bound the filled spans, and the edges step to the next row.
void scan(cv::Mat& image, PolygonEdges& scratch) {
  std::vector<Edge>& edges = scratch.edges;
  if (edges.size() < 2 || outsideImage(edges, image.size())) return;
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
    if (a.top != b.top) return a.top < b.top;
    if (a.x != b.x) return a.x < b.x;
    return a.dx < b.dx;
  });
  int end = INT_MIN;
  for (const Edge& e : edges) end = std::max(end, e.bottom);
  end = std::min(end, image.rows);
  std::vector<Edge*>& active = scratch.active;
  std::vector<Edge*>& merged = scratch.merged;
  active.clear();
  std::size_t next = 0;
  for (int y = edges.front().top; y < end; ++y) {
    active.erase(std::remove_if(active.begin(), active.end(), [y](const Edge* e) { return e->bottom == y; }),
                 active.end());
    merged.clear();
    std::size_t a = 0;
    while (a < active.size() || (next < edges.size() && edges[next].top == y)) {
      const bool joins = next < edges.size() && edges[next].top == y;
      if (a < active.size() && (!joins || active[a]->x < edges[next].x))
        merged.push_back(active[a++]);
      else
        merged.push_back(&edges[next++]);
    }
    for (std::size_t i = 0; i + 1 < merged.size(); i += 2) {
      if (y >= 0) span(image, y, *merged[i], *merged[i + 1]);
      merged[i]->x += merged[i]->dx;
      merged[i + 1]->x += merged[i + 1]->dx;
    }
    sortByX(merged);
    active.swap(merged);
  }
}

}  // namespace

void fillContours(cv::Mat& image, const Contours& contours, cv::Point offset, PolygonEdges& scratch) {
  CV_Assert(image.type() == CV_8UC1);
  scratch.edges.clear();
  for (const Contour& contour : contours) {
    CV_Assert(!contour.empty());
    outline(image, contour, offset, scratch.edges);
  }
  scan(image, scratch);
}

}  // namespace talmeq::detail
