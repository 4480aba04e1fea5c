// Plots of a height calibration and of a station characterization, each a
// BGR image of 900 x 600 readable at a glance (the talmeq tool writes these):
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

#include <talmeq/calibrationFileContent.h>
#include <talmeq/export.h>
#include <talmeq/stationCharacterization.h>

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq {

// The calibration of `heights` whose spots `fit` projected to its
// displacements (previewLinearFit's result, or the same displacements with
// the values a file holds after the fit). cv::Exception when there is no
// height or the displacements are not one per height.
TALMEQ_EXPORT cv::Mat plotCalibration(const std::vector<double>& heights, const LinearFitPreview& fit);

// The characterization `c` of `samples` against the thresholds `t`.
TALMEQ_EXPORT cv::Mat plotLinearity(const std::vector<HeightSample>& samples, const StationCharacterization& c,
                                    const CharacterizationThresholds& t);
TALMEQ_EXPORT cv::Mat plotRepeatability(const StationCharacterization& c, const CharacterizationThresholds& t);
TALMEQ_EXPORT cv::Mat plotStability(const std::vector<HeightSample>& samples, const StationCharacterization& c,
                                    const CharacterizationThresholds& t);

}  // namespace talmeq
