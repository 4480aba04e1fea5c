// The precision layer's reading drawn over a tool picture: the sub-pixel
// centre as a diagonal cross placed to a sixteenth of a pixel (open in the
// middle, so the spot and the whole-pixel marks stay visible), its 1-sigma
// uncertainty ellipse magnified 100 times, the centre and uncertainty as
// text beside it, and for an ambiguous reading a ring around the runner-up.
#pragma once

#include <talmeq/precision.h>

#include <opencv2/core.hpp>

namespace talmeq::cli {

namespace preciseMarks {
inline const cv::Scalar kCentre{255, 160, 0};      // blue: the sub-pixel centre, its ellipse and text
inline const cv::Scalar kRunnerUp{255, 128, 255};  // pink: the runner-up of an ambiguous reading
inline constexpr double kUncertaintyScale = 100.0;
inline constexpr int kArmFrom = 4;  // the cross's arms run from this distance to the next, pixels
inline constexpr int kArmTo = 12;
}  // namespace preciseMarks

// Draws `reading` onto `canvas` (the image's own coordinates), with a
// legend line at the bottom left; nothing but the legend when it has no centre.
void drawPreciseSpot(cv::Mat& canvas, const SpotReading& reading);

}  // namespace talmeq::cli
