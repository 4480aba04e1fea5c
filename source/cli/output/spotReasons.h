// Why the spot detector found no spot, and what a user should know about a
// spot it did find, in words, from the detector's own trace of the image.
#pragma once

#include <talmeq/spotDetectionRecord.h>

#include <opencv2/core.hpp>
#include <string>

namespace talmeq::cli {

// The reason for a detection without a spot:
//   - the image is empty or too small for a detection window;
//   - "spot outside the window": the window holds no candidate (or only
//     specks too small to count) while the image outside it holds a bright
//     spot-sized blob: at least 16 connected pixels (as many as the
//     threshold ranks) whose grey level reaches the bright method's level of
//     200, within a square of a tenth of the image's shorter side (white
//     paper or a lit surface is no spot);
//   - no candidate in the window;
//   - candidates, none accepted, with the count each screen refused.
// `image` is the BGR image that `trace` was made from.
std::string spotFailureReason(const cv::Mat& image, const SpotDetectionRecord& trace);

// A warning for a found spot that was one choice among several: more than
// one blob passed every screen and the largest was taken. Empty otherwise.
std::string spotWarning(const SpotDetectionRecord& trace);

// "[x, y, width, height]".
std::string rectText(const cv::Rect& rect);

}  // namespace talmeq::cli
