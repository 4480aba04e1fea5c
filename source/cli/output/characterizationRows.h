// The measurement of every row of a characterization CSV: the height of the
// plane in each image, by the precision layer (sub-pixel spot, with its
// predicted uncertainty) or by the library's getPlaneHeightByLinear. A row
// whose image cannot be read or holds no measurable spot stays a row, with
// its status and reason.
#pragma once

#include <talmeq/stationCharacterization.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "heightsCsv.h"

namespace talmeq::cli {

struct CharacterizedRow {
  std::string image;
  HeightSample sample;
  cv::Point2d spot{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
  std::string status;                  // "measured", "outOfRange", "noSpot", "unreadable", ...
  std::string reason;                  // why there is no height; empty when there is one
  bool wholePixelCalibration = false;  // a sub-pixel reading found the file fitted from whole-pixel spots
};

// Measures each row's image against the calibration file `yml`; `precise`
// chooses the precision layer. Shows progress on the terminal.
std::vector<CharacterizedRow> measureRows(const std::vector<HeightRow>& rows, const std::string& yml, bool precise);

}  // namespace talmeq::cli
