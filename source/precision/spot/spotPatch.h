// The pixels a spot's centre is estimated from: the red channel of a square
// patch around the spot, which of its pixels are clipped, and the
// background under it (a plane through the patch's outer ring) with the
// pixel noise about that plane.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::detail::precision {

inline constexpr int kClipped = 255;  // a red value this high may have been clipped

struct SpotPatch {
  cv::Mat red;           // CV_8UC1 red values of the patch (a view of the scratch's buffer)
  cv::Point origin;      // full-image position of red(0, 0)
  cv::Vec3d background;  // level = [0] + [1] * (x - origin.x) + [2] * (y - origin.y), patch pixels
  double noise = 0.0;    // robust standard deviation of the ring about the plane, at least 0.5

  double backgroundAt(double x, double y) const {  // full-image coordinates
    return background[0] + background[1] * (x - origin.x) + background[2] * (y - origin.y);
  }
};

// The buffers of a patch, kept between calls: the patch's red values live
// in `red` until the next patch is read with the same scratch.
struct PatchScratch {
  cv::Mat red;
  std::vector<cv::Point> ring;     // the ring's unclipped pixels
  std::vector<double> deviations;  // their distances from the plane
};

// The patch of `image` (8-bit, three or four channels, BGR order) centred
// on `seed` with `halfSide` pixels on each side, clipped to `limit`. The
// ring is the patch's outermost two pixels. The patch's `red` is empty when
// fewer than 6 x 6 pixels remain or the ring holds no plane.
SpotPatch readPatch(const cv::Mat& image, cv::Point2d seed, int halfSide, cv::Rect limit, PatchScratch& scratch);

}  // namespace talmeq::detail::precision
