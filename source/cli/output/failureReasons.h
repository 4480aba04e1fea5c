// Why the spot detector found no spot, what a user should know about a
// spot it did find, and why a height measurement gave no usable height, in
// words, from the library's own trace of the image.
#pragma once

#include <talmeq/heightMeasurementRecord.h>
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

// The reason the measurement with result `code` and outputs `height`,
// `absolute` is not a usable height, or empty when it is one:
//   - -1: the search window is empty or too small for the track pass, or
//     the track pass ended with no blob or with several;
//   - 0 without a spot: the single blob in the track band stands too little
//     above the window's mean, so the library's height belongs to no spot;
//   - 0 with a height or absolute height that is not a finite number;
//   - -3: the absolute height lies outside -32 .. 0;
//   - -2 and -999 as the result code says.
std::string measureFailureReason(int code, const HeightMeasurementRecord& trace, double height, double absolute);

}  // namespace talmeq::cli
