// Per-thread workspaces of the per-frame calls. A host calls getSpotCoord
// or getPlaneHeightByLinear on every frame, from the same thread, with
// frames of one size; the buffers those calls fill are kept here between
// calls, grown to the largest size seen, so that a call in the steady state
// asks the heap for nothing and touches no fresh page. Each thread has its
// own workspaces (no locking, no sharing), released when the thread ends;
// threadWorkspace.h bounds them and keeps a re-entered call apart. Whatever a buffer held before a call is
// garbage to it: every user writes what it reads, and zeroes what must start zeroed.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "contourTracing.h"
#include "polygonFill.h"
#include "spotDetection.h"
#include "threadWorkspace.h"

namespace talmeq::detail {

// A view of `size` and `type` at the top-left of `buffer`, which is grown to
// hold it when it is smaller or of another type. Views of one buffer are
// not continuous when the buffer is wider.
cv::Mat reusedView(cv::Mat& buffer, cv::Size size, int type);

// Sets every pixel of `view` to zero, row by row: cv::Mat::setTo takes a
// heap buffer for rows of more than about a thousand bytes.
void zeroPixels(cv::Mat& view);

// The spot detector's buffers.
struct SpotWorkspace {
  cv::Mat grey;                 // grey values around the detection window
  cv::Mat red;                  // dim method: red values around the window
  cv::Mat binary;               // the foreground as it is built
  cv::Mat scratch;              // the morphology steps' second buffer
  cv::Mat framed;               // the window's closed foreground inside a ring, traced in place
  cv::Mat canvas;               // accepted candidates painted
  std::vector<int> columnSums;  // dim method: the box's column sums
  std::vector<int> boxTotals;   // and their running totals
  Contours foregroundContours;
  Contours accepted;
  ContourStore store;
  PolygonEdges fill;
  spot::Trace trace;  // getSpotCoord's trace
};

// The region spot locator's buffers.
struct RegionWorkspace {
  cv::Mat grey;     // bright pass: the region's grey values, then thresholded
  cv::Mat red;      // track pass: the region's red values
  cv::Mat binary;   // track pass: thresholded red
  cv::Mat band;     // track pass: the band's canvas
  cv::Mat part;     // the part of the region that can hold foreground
  cv::Mat scratch;  // the morphology steps' second buffer
  cv::Mat framed;   // a pass's buffer inside a border, traced in place
  cv::Mat mask;     // track pass: the single blob filled
  cv::Mat cross;    // the 3 x 3 cross of both passes, built on first use
  Contours found;
  Contours kept;
  Contours blobs;
  ContourStore store;
  PolygonEdges fill;
};

// The workspaces of the call the thread is in (see ThreadWorkspace).
SpotWorkspace& spotWorkspace();
RegionWorkspace& regionWorkspace();

}  // namespace talmeq::detail
