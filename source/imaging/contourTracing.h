// Contour tracing that reuses its memory from call to call. cv::findContours
// copies its input with a one-pixel border, allocates its tracing state and
// returns new point lists on every call; here the caller's buffer, already
// holding a border, is traced in place by a border follower of our own that
// gives cv::findContours' contours in its order, and the point lists keep
// their capacity, so a call that finds no more and no longer contours than
// earlier ones asks the heap for nothing.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::detail {

using Contour = std::vector<cv::Point>;
using Contours = std::vector<Contour>;

// What tracing keeps between calls: emptied point lists with their capacity.
struct ContourStore {
  Contours spare;
};

// Traces `image` (8-bit, one channel, at least 3 x 3) as cv::findContours
// with `mode` (RETR_LIST or RETR_EXTERNAL) and CHAIN_APPROX_SIMPLE traces its
// inner part, the image less its outermost row and column on every side,
// surrounded by zeros: the outermost ring is set to zero first and counts as
// background, any other non-zero pixel is foreground. Points are given
// relative to `image`'s top-left pixel plus `offset`, so a buffer that lies
// at `offset` in the frame gives frame coordinates. `image` is scratch: its
// pixels are changed. `out` receives the contours in cv::findContours'
// order; its former lists go back to the store first.
void traceContours(cv::Mat& image, int mode, cv::Point offset, Contours& out, ContourStore& store);

// Moves every list of `lists` into the store, emptied but with its capacity,
// and empties `lists`.
void recycleContours(Contours& lists, ContourStore& store);

// An empty list from the store (with the capacity it had), or a new one.
Contour spareContour(ContourStore& store);

}  // namespace talmeq::detail
