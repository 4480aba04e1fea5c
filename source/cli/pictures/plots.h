// The tool's plots, each a BGR image of 900 x 600 readable at a glance:
//   calibration    each point's height against its projected displacement,
//                  the fitted line h = k * v + b, and each point's error as
//                  a vertical bar from the line, magnified so it can be seen
//                  (the legend names the magnification)
//   linearity      measured against true height with the fitted line, and
//                  under it each height's mean residual with the tolerance
//   repeatability  +-3 sigma per sweep height, the predicted value and the limit
//   stability      the stability series' heights over time with the fitted
//                  drift line and the allowed drift drawn from its start
#pragma once

#include <talmeq/stationCharacterization.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "heightWorkflow.h"

namespace talmeq::cli {

cv::Mat plotCalibration(const HeightCalibrationRun& run);

cv::Mat plotLinearity(const std::vector<CharacterizedRow>& rows, const StationCharacterization& c,
                      const CharacterizationThresholds& t);
cv::Mat plotRepeatability(const StationCharacterization& c, const CharacterizationThresholds& t);
cv::Mat plotStability(const std::vector<CharacterizedRow>& rows, const StationCharacterization& c,
                      const CharacterizationThresholds& t);

// The three files for `prefix`: PREFIX-linearity.png, -repeatability.png,
// -stability.png.
std::vector<std::string> characterizationPlotPaths(const std::string& prefix);

}  // namespace talmeq::cli
