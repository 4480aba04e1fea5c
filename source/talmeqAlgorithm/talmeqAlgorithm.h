// talmeqAlgorithm: image processing for a camera-guided laser height
// measurement and focusing station.
//
// Every function is an independent entry point that returns an int result:
//     0    success, the outputs hold the results
//    -1    the work ran but found no acceptable result
//    -2    an input is unusable
//    -3    a measured height is out of range
//  -999    a text exception (thrown as const char*) was caught
// cv::Exception and every other exception type pass out to the caller.
//
// Images are cv::Mat, normally 8-bit three-channel BGR (CV_8UC3). Pixel
// positions are full-image (column x, row y) and are truncated, not rounded.
// The host must be built against the same OpenCV, compiler runtime and
// standard library as this library, since these types cross the boundary.
#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

#include "talmeqAlgorithm_export.h"

// Finds the laser spot in a camera image.
//   image  CV_8UC3 BGR camera image (only read).
//   coord  out: the spot centre in pixels; reset to (0, 0) on entry and left
//          there on every failure.
// Returns 0 (spot found), -1 (no candidate blob survives the screens),
// -2 (empty image, or a detection window of fewer than 16 pixels, as in an
// image smaller than 12 x 14) or -999.
// A one-channel or non-8-bit image raises cv::Exception.
TALMEQALGORITHM_EXPORT int getSpotCoord(cv::Mat image, cv::Point& coord);

// Fits the linear height model h = k * v + b from calibration points and
// writes the calibration file.
//   heights  known plane heights (host's height unit), at least 3.
//   coords   spot centre (pixels) seen at each height, same order and length.
//   ymlPath  calibration file; must exist and hold "scale", "dist", "initZ"
//            and "focusD", which are carried through.
// The projected displacement of point i is v = d * scale * (dist - h) / dist,
// with d its pixel distance from the reference point (coords[0] when
// heights[0] is 0, else 2 * coords[0] - coords[1]). The file is replaced
// atomically with all eleven keys: the fit, the reference point, the four
// settings, the search window "RoI" (from the position predicted for height
// -5 over 37 height units) and offsets 0; an unwritable file is left as it
// was without a report. Logs each point, each error and the average error.
// Returns 0, -1 (average error above 0.2; the file is already written),
// -2 (lists of different length or shorter than 3, a non-finite height,
// equal first and last heights, a file that does not open, or "dist" 0; the
// file is not written) or -999.
TALMEQALGORITHM_EXPORT int getCalibrationParamByLinear(std::vector<double> heights,
                                                       std::vector<cv::Point> coords,
                                                       std::string ymlPath);

// Shifts "initZ" of the calibration file by toZ - fromZ, so that a plane that
// measured fromZ now measures toZ, and rewrites the file atomically with all
// eleven keys (missing ones as 0; an unwritable file is left as it was).
// Returns 0, -2 (the file does not open; it is not created) or -999.
TALMEQALGORITHM_EXPORT int correctYml(double fromZ, double toZ, std::string ymlPath);

// Measures the plane height from a CV_8UC3 BGR image with the calibration
// file: finds the spot inside "RoI" shifted by "offsetX"/"offsetY", and
// inverts the linear model for its distance from the shifted reference point.
//   height  out: the relative height h of the model.
//   axisZ   out: h + initZ + focusD, the absolute height.
// A single faint candidate (less than 30 above the window's mean red) counts
// as a spot at pixel (0, 0), and the height is computed for that pixel.
// Returns 0, -1 (no single spot in the window, an empty window, or one of
// fewer than 101 pixels without a saturated spot; outputs untouched),
// -2 (the file does not open; outputs untouched), -3 (axisZ above 0 or below
// -32; both outputs written) or -999. Writes nothing to the logger, not even
// for -999. A window that does not lie inside the image, or of negative size,
// raises cv::Exception.
TALMEQALGORITHM_EXPORT int getPlaneHeightByLinear(cv::Mat image, std::string ymlPath, double& height,
                                                  double& axisZ);
