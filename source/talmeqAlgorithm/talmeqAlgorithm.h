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
