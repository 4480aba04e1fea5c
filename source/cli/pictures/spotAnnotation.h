// The picture of what the spot detector saw in one image, from its trace:
// its detection window, every candidate contour coloured by the screen that
// decided about it, the chosen spot, and the outcome in words.
#pragma once

#include <talmeq/spotDetectionRecord.h>

#include <opencv2/core.hpp>
#include <string>

namespace talmeq::cli {

// Colours of the marks (BGR).
namespace annotation {
inline const cv::Scalar kWindow{255, 255, 0};      // cyan: detection window
inline const cv::Scalar kTooSmall{160, 160, 160};  // grey: too small, dropped
inline const cv::Scalar kTooLarge{255, 0, 255};    // magenta: too large
inline const cv::Scalar kBadRatio{0, 165, 255};    // orange: too elongated
inline const cv::Scalar kNotRound{0, 255, 255};    // yellow: not round
inline const cv::Scalar kAccepted{0, 255, 0};      // green: passed every screen
inline const cv::Scalar kSpot{0, 0, 255};          // red cross: the chosen spot
inline const cv::Scalar kOutcome{255, 255, 255};   // white: the outcome line
inline constexpr int kSpotArm = 8;                 // half length of the cross at 640 x 480, pixels
}  // namespace annotation

// A copy of `image` with the marks of the detector's own trace of it drawn;
// `found` tells whether `spot` holds a detected spot; `outcome` (the result
// and its reason) heads the legend.
cv::Mat annotateSpot(const cv::Mat& image, const SpotDetectionRecord& trace, bool found, const cv::Point& spot,
                     const std::string& outcome);

}  // namespace talmeq::cli
