// Board poses for a multi-view camera calibration: the target moved over the
// whole image at varied tilts, the way an engineer covers the field of view,
// with every feature point kept inside the image.
#pragma once

#include <cstdint>
#include <vector>

#include "calibrationViews.h"

namespace talmeq::sim {

// `count` poses of `target` seen by `camera`: the board centre aimed at the
// cells of a 4 x 3 grid over the image (in turn, then again), tilted by 15 to 35
// degrees about a varying axis (every fourth view nearly square-on), spun by
// up to 20 degrees and at a distance where the board spans about
// `imageFraction` of the image width. A pose whose points would leave the
// image (with a margin of 4 % of its width) is pulled towards the centre
// until they fit. The same seed gives the same poses.
std::vector<Pose> coveringPoses(const Target& target, const Camera& camera, int count, std::uint64_t seed,
                                double imageFraction = 0.45);

}  // namespace talmeq::sim
