// A cheap, certain bound on the side ratio of a blob's minimum-area box.
// cv::minAreaRect builds the blob's convex hull on the heap on every call;
// for a compact blob the region locator's ratio screen can be decided
// without it.
#pragma once

#include "contourTracing.h"

namespace talmeq::detail {

// True when every rectangle that encloses `contour` and touches it on all
// four sides (cv::minAreaRect's box is one) has its longer side below
// `limit` times its shorter; false when that is not certain or the contour
// is too long to tell cheaply. `area` is the contour's area (above 0).
// Why it holds: two points of the contour lie on the rectangle's short
// sides, so the long side is at most the contour's diameter D; the
// rectangle holds the contour, so long x short >= area; hence long / short
// <= long^2 / area <= D^2 / area.
bool boxRatioSurelyBelow(const Contour& contour, double area, double limit);

}  // namespace talmeq::detail
