// Seeded frames for measuring a sub-pixel spot reading against the truth:
// one spot of a chosen class at a random sub-pixel centre inside the spot
// detector's window, and hostile frames that surround a spot with a weaker
// second reflection, ambient glints and a streak. The same seed gives the
// same recipe and pixels.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>

#include "spotFrames.h"

namespace talmeq::sim {

enum class SpotClass {
  kClean,      // unsaturated: red 100 .. about 170 above the background, no pixel clipped
  kSaturated,  // red 300 .. 1500 above the background: a clipped core
  kDim,        // red 60 .. 80 above the background, red only: the faintest the detector finds
};

// A frame with one spot of `spotClass`: sigma 2 .. 3 pixels, background 10
// .. 50 with a gradient, pixel noise 0.5 .. 3 grey levels. spots[0] is the
// truth.
FrameRecipe classFrame(SpotClass spotClass, std::uint64_t seed, cv::Size size = {640, 480});

// Where a hostile frame's nuisances may lie.
enum class Placement {
  kClearOfClosings,  // 20 pixels from the spot and out of the cross its dim-method closings reach (120
                     // pixels along its row and column band of +-20): the detector keeps spot and nuisance
                     // apart
  kAnywhere,         // 20 pixels from the spot; a nuisance in its row or column may merge with it
};

// A clean or saturated spot (spots[0], the truth) with a second reflection
// of the same shape at 10 .. 50 % of its peak 20 .. 100 pixels away
// (spots[1]), then up to four white glints of sigma 0.5 .. 0.8 and up to
// 29 speckle pixels (spots[2] on), and in two frames of three a streak
// (streaks[0]), all placed as `placement` allows.
FrameRecipe hostileFrame(std::uint64_t seed, Placement placement = Placement::kClearOfClosings,
                         cv::Size size = {640, 480});

}  // namespace talmeq::sim
