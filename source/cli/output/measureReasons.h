// Why a height measurement gave no usable height, in words, from the
// measurement's own trace of the image.
#pragma once

#include <talmeq/heightMeasurementRecord.h>

#include <string>

namespace talmeq::cli {

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
