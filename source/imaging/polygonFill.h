// Filling contours the way cv::drawContours(image, contours, -1, 255,
// FILLED, LINE_8, noArray(), INT_MAX, offset) fills them, pixel for pixel,
// without asking the heap for anything once its scratch has grown to the
// largest contour set seen (cv::drawContours builds sequence headers, point
// lists and an edge table on every call). Every contour is outlined with
// 8-connected lines, and the rows between its edges are filled by one
// even-odd scan over the edges of all the contours together, so a contour
// nested in another leaves a hole.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "contourTracing.h"

namespace talmeq::detail {

// The scratch of the fill, kept between calls.
struct PolygonEdges {
  // A non-horizontal edge: its rows [top, bottom) and its x at the current
  // row and per row, in 16.16 fixed point.
  struct Edge {
    int top = 0;
    int bottom = 0;
    std::int64_t x = 0;
    std::int64_t dx = 0;
  };
  std::vector<Edge> edges;
  std::vector<Edge*> active;  // the edges crossing the current row, by x
  std::vector<Edge*> merged;  // the next row's active edges while merging
};

// Paints `contours` (each at least one point), shifted by `offset`, filled
// with 255 into `image` (8-bit, one channel); pixels outside the image are
// clipped.
void fillContours(cv::Mat& image, const Contours& contours, cv::Point offset, PolygonEdges& scratch);

}  // namespace talmeq::detail
