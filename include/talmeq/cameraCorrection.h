// The geometry of the exports' image corrections, for hosts that explain or
// plan them. getCorrectImgByThickness undistorts the image and then scales it
// by (190 - thickness) / 190 about the principal point: a part of that
// thickness seen from the camera's working distance.
#pragma once

namespace talmeq {

// The distance the thickness correction scales against: a thickness of 190
// shrinks the image to a point, a larger one mirrors it.
inline constexpr double kThicknessReferenceDistance = 190.0;

}  // namespace talmeq
