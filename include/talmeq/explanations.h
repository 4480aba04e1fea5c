// Words for what the library's records say, for a host to show its
// operator: what a result code of an export means, why a detection found no
// spot, what to know about a spot it did find, and why a height measurement
// gave no usable height. The talmeq tool prints exactly these texts; numbers
// in them are written by decimalText.
#pragma once

#include <talmeq/export.h>
#include <talmeq/heightMeasurementRecord.h>
#include <talmeq/spotDetectionRecord.h>

#include <opencv2/core.hpp>
#include <string>
#include <string_view>

namespace talmeq {

// `value` with `decimals` digits after the point; "nan", "inf" and "-inf"
// for the values that are not finite, and six significant digits in
// exponent form from a magnitude of 1e9 on, so that no text grows unbounded.
TALMEQ_EXPORT std::string decimalText(double value, int decimals);

// "[x, y, width, height]".
TALMEQ_EXPORT std::string rectText(const cv::Rect& rect);

// What `code` means when the export `exportName` returns it ("no spot
// found" for getSpotCoord's -1); "unknown result code" for a code the
// export never returns.
TALMEQ_EXPORT std::string_view resultMeaning(std::string_view exportName, int code);

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
// Empty for a detection that found its spot. `image` is the BGR image that
// `record` was made from.
TALMEQ_EXPORT std::string spotFailureReason(const cv::Mat& image, const SpotDetectionRecord& record);

// A warning for a found spot that was one choice among several: more than
// one blob passed every screen and the largest was taken. Empty otherwise.
TALMEQ_EXPORT std::string spotWarning(const SpotDetectionRecord& record);

// The reason the measurement with result `code` and outputs `height`,
// `absolute` is not a usable height, or empty when it is one:
//   - -1: the search window is empty or too small for the track pass, or
//     the track pass ended with no blob or with several;
//   - 0 without a spot: the single blob in the track band stands too little
//     above the window's mean, so the library's height belongs to no spot;
//   - 0 with a height or absolute height that is not a finite number;
//   - -3: the absolute height lies outside -32 .. 0;
//   - -2 and -999 as the result code says.
TALMEQ_EXPORT std::string measureFailureReason(int code, const HeightMeasurementRecord& record, double height,
                                               double absolute);

}  // namespace talmeq
