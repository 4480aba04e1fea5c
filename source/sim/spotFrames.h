// Synthetic camera frames with a laser spot, for tests, benchmarks and the
// demo. Frames are deterministic: the same recipe (seed included) gives the
// same pixels.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::sim {

// One laser spot: a Gaussian intensity profile, red-dominant.
struct Spot {
  cv::Point2d centre;   // sub-pixel centre; pixel (i, j) has its centre at (i, j)
  double sigma = 2.0;   // profile width in pixels
  double peak = 900.0;  // red intensity at the centre before clipping at 255
  double green = 0.7;   // green and blue as fractions of red: a bright spot
  double blue = 0.6;    // saturates to white in its core, a dim one stays red
};

// A bright patch of ambient light, grey, Gaussian profile.
struct AmbientBlob {
  cv::Point2d centre;
  double sigma = 20.0;
  double peak = 60.0;
};

// A straight streak of light (a scratch or a reflected line): a segment from
// `a` to `b` with a Gaussian cross profile.
struct Streak {
  cv::Point2d a, b;
  double width = 1.5;       // cross-profile sigma in pixels
  double peak = 80.0;       // intensity on the segment
  cv::Vec3d tint{1, 1, 1};  // blue, green, red fractions of `peak`
};

struct FrameRecipe {
  cv::Size size{640, 480};
  std::uint64_t seed = 1;
  double background = 40.0;  // mean grey level of the scene
  double gradient = 20.0;    // left-to-right rise of the background
  double noise = 2.0;        // standard deviation of the pixel noise
  int speckles = 0;          // isolated bright single pixels, anywhere
  std::vector<AmbientBlob> ambient;
  std::vector<Spot> spots;
  std::vector<Streak> streaks;
};

// Distance from `p` to the segment from `a` to `b`.
double distanceToSegment(cv::Point2d p, cv::Point2d a, cv::Point2d b);

// Renders an 8-bit BGR frame (CV_8UC3) for `recipe`.
cv::Mat renderSpotFrame(const FrameRecipe& recipe);

// Draws a random but plausible frame: one spot inside the detection window of
// the spot detector (bright, saturated or dim), varied background, sometimes
// ambient blobs and speckle. Returns the frame recipe; its spots[0] is the truth.
FrameRecipe randomSpotFrame(std::uint64_t seed, cv::Size size = {640, 480});

}  // namespace talmeq::sim
