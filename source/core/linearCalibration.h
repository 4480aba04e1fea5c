// The linear height model: its fit from calibration points, the search
// window it implies, and the shift of the file's height offset. The pieces
// of the fit take real-valued spot positions, so that a calibration from
// sub-pixel spots runs the same arithmetic as the one from whole pixels.
#pragma once

#include <talmeq/calibrationFileContent.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "calibrationFile.h"

namespace talmeq::detail::linear {

inline constexpr const char* kCalibrationName = "getCalibrationParamByLinear";
inline constexpr const char* kCorrectionName = "correctYml";
// kMinCalibrationPoints, kMaxAverageError and the search window's
// kWindowStartHeight and kWindowSpan: talmeq/calibrationFileContent.h.

// coords[0] when the series starts at height 0, otherwise the point one step
// before it on the line through the first two points. Needs two points.
cv::Point2d referencePoint(const std::vector<double>& heights, const std::vector<cv::Point2d>& coords);

// The spot's pixel distance from the reference point, projected to the
// height h: d * scale * (dist - h) / dist.
double projectedDisplacement(cv::Point2d spot, cv::Point2d reference, double h, const CalibrationValues& settings);

// Least-squares line h = k * v + b through the normal equations; writes b and
// k into `fit` (left 0 where cv::solve finds the system singular).
void fitLine(const std::vector<double>& heights, const std::vector<double>& displacements, CalibrationValues& fit);

// The eleven values getCalibrationParamByLinear writes for these points
// over the four settings of `settings` (dist not 0; the lists as its checks
// accept them): the window, the reference point, the fitted line and zero
// offsets. `displacements` receives each point's projected displacement.
// Writes nothing, so a caller can judge a fit before it reaches the file.
CalibrationValues fittedCalibration(const std::vector<double>& heights, const std::vector<cv::Point>& coords,
                                    const CalibrationValues& settings, std::vector<double>& displacements);

// The same for spots found to a fraction of a pixel: the reference point and
// the displacements come from `spots`, the window from `windowCoords` (the
// spots in whole pixels, as the window is cut in whole pixels).
CalibrationValues fittedCalibration(const std::vector<double>& heights, const std::vector<cv::Point2d>& spots,
                                    const std::vector<cv::Point>& windowCoords, const CalibrationValues& settings,
                                    std::vector<double>& displacements);

// The body of getCalibrationParamByLinear after its start message: checks,
// window, settings, fit, file, errors. Same result codes and messages.
int calibrate(const std::vector<double>& heights, const std::vector<cv::Point>& coords, const std::string& ymlPath);

// "initZ" after correctYml: moved so that a plane that measured `fromZ`
// measures `toZ`.
inline double shiftedInitZ(double initZ, double fromZ, double toZ) { return initZ + (toZ - fromZ); }

// The body of correctYml after its start message.
int shiftInitZ(double fromZ, double toZ, const std::string& ymlPath);

}  // namespace talmeq::detail::linear
