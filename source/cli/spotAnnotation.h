// The picture of what the spot detector saw in one image, from its trace:
// its detection window, every candidate contour coloured by the screen that
// decided about it, and the chosen spot.
#pragma once

#include <opencv2/core.hpp>

#include "spotDetection.h"

namespace talmeq::cli {

// Colours of the marks (BGR).
namespace annotation {
inline const cv::Scalar kWindow{255, 255, 0};      // cyan: detection window
inline const cv::Scalar kTooSmall{160, 160, 160};  // grey: area below 5, dropped
inline const cv::Scalar kTooLarge{255, 0, 255};    // magenta: area 300 or more
inline const cv::Scalar kBadRatio{0, 165, 255};    // orange: aspect outside (0.3, 3.0)
inline const cv::Scalar kNotRound{0, 255, 255};    // yellow: circularity 0.5 or less
inline const cv::Scalar kAccepted{0, 255, 0};      // green: passed every screen
inline const cv::Scalar kSpot{0, 0, 255};          // red cross: the chosen spot
inline constexpr int kSpotArm = 8;                 // half length of the cross, pixels
}  // namespace annotation

// A copy of `image` with the marks of the detector's own trace of it drawn;
// `found` tells whether `spot` holds a detected spot.
cv::Mat annotateSpot(const cv::Mat& image, const spot::Trace& trace, bool found, const cv::Point& spot);

}  // namespace talmeq::cli
