// The plane height measurement: the calibration file's window shifted by
// its offsets, the spot located in it, and the linear model inverted for
// the spot's distance from the shifted reference point. The region locator
// is a parameter: getPlaneHeightByLinear runs the library's, the tests run
// the same measurement on the whole-frame reading of the locator.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "calibrationFile.h"
#include "regionLocation.h"

namespace talmeq::detail {

inline constexpr double kHighestAbsoluteHeight = 0.0;
inline constexpr double kLowestAbsoluteHeight = -32.0;

using RegionLocator = int (*)(const cv::Mat& image, const cv::Rect& roi, cv::Point& spot, region::Trace& trace);

// What one measurement read and saw (talmeq/heightMeasurementRecord.h).
using MeasureTrace = HeightMeasurementRecord;

// The model solved for h at the spot's distance r from the shifted reference
// point: h = dist * (k * scale * r + b) / (k * scale * r + dist).
double modelHeight(const CalibrationValues& c, cv::Point2d spot);

// The body of getPlaneHeightByLinear inside its exception boundary: same
// outputs and result codes, text exceptions pass out.
int measurePlaneHeight(const cv::Mat& image, const std::string& ymlPath, double& height, double& axisZ,
                       RegionLocator locate, MeasureTrace& trace);

}  // namespace talmeq::detail
