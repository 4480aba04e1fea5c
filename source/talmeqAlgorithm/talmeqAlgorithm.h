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

// Calibrates the camera from one image of the 17 x 12 inner-corner
// chessboard (square pitch 15 units; the results do not depend on the unit).
//   image         CV_8UC3 BGR camera image (only read); its own size is the
//                 calibration image size.
//   cameraMatrix  out: 3 x 3 CV_64F (fx, 0, cx / 0, fy, cy / 0, 0, 1), pixels.
//   distCoeffs    out: 1 x 5 CV_64F k1, k2, p1, p2, k3.
// Returns 0 (calibrated; the reprojection RMS in pixels is logged, any value
// is accepted), -1 (the full corner pattern was not found; both outputs
// untouched) or -999.
// Logs "calibChess: start!", then "calibChess: findChessboardCorners fail!"
// or "calibChess: findChessboardCorners success!" and "calibChess: rms = <rms>".
// A one-channel image, or a calibration OpenCV cannot run, raises cv::Exception.
TALMEQALGORITHM_EXPORT int calibChess(cv::Mat image, cv::Mat& cameraMatrix, cv::Mat& distCoeffs);

// Finds the markers of the DICT_6X6_250 calibration board in one image, with
// OpenCV's default detector parameters and no lens model (raw pixels).
//   image    8-bit image, one or three channels (only read).
//   ids      out: the identifier of each detected marker (replaced).
//   corners  out: four corners (float pixels) per marker, clockwise from the
//            marker's top-left corner; entry i belongs to ids[i] (replaced).
// Returns 0 (at least one marker), -1 (none: both outputs emptied) or -999.
// Writes no messages; only -1 and -999 write a failure record. Any other
// image type raises cv::Exception.
TALMEQALGORITHM_EXPORT int getArucoCorners(cv::Mat image, std::vector<int>& ids,
                                           std::vector<std::vector<cv::Point2f>>& corners);

// Calibrates the camera from several views of the 9 x 6 DICT_6X6_250 grid
// board (marker side 200, separation 100, identifiers 0..53).
//   allCorners    per view, per marker, the four corners from getArucoCorners.
//   allIds        per view, per marker, the identifier; allIds[i][j] belongs
//                 to allCorners[i][j]. Surplus views or identifiers are ignored.
//   imageSize     camera image size in pixels.
//   cameraMatrix  in/out: 3 x 3 CV_64F; the input is not used as a guess.
//   distCoeffs    in/out: five CV_64F k1, k2, p1, p2, k3.
// Returns 0 (calibrated, whatever the reprojection error), -1 (no view;
// outputs untouched), -2 (allIds holds fewer views than allCorners, or a view
// fewer identifiers than markers; outputs untouched) or -999.
// Writes no messages; every failure writes a failure record. Views OpenCV
// cannot calibrate from raise cv::Exception: a view holding no marker, or
// too few markers of the board in all.
TALMEQALGORITHM_EXPORT int calibAruco(std::vector<std::vector<std::vector<cv::Point2f>>> allCorners,
                                      std::vector<std::vector<int>> allIds, cv::Size imageSize,
                                      cv::Mat& cameraMatrix, cv::Mat& distCoeffs);

// Removes the lens distortion by an explicit map (CV_16SC2) built for the
// requested output size; the camera matrix is kept as the output's own.
//   image         any image cv::remap accepts (only read).
//   cameraMatrix  3 x 3, CV_64F or CV_32F, pixels.
//   distCoeffs    4, 5, 8, 12 or 14 coefficients (k1, k2, p1, p2[, k3...]).
//   imageSize     size of the output in pixels (may differ from the image).
//   corrected     out: imageSize, type of image; bilinear interpolation,
//                 black where the source position lies outside the image.
// Returns 0 or -999. Writes no messages. Unusable matrices raise cv::Exception.
TALMEQALGORITHM_EXPORT int undistAruco(cv::Mat image, cv::Mat cameraMatrix, cv::Mat distCoeffs, cv::Size imageSize,
                                       cv::Mat& corrected);

// Undistorts an image and scales it about the principal point (cx, cy) by
// s = (190 - thickness) / 190: a point at distance d from (cx, cy) in the
// undistorted image lies at s * d in the result.
//   image         any image cv::undistort and cv::warpAffine accept (only read).
//   cameraMatrix  3 x 3 CV_64F or CV_32F, pixels; other shapes or types raise
//                 cv::Exception.
//   distCoeffs    as cv::undistort accepts them (1 x 5 CV_64F from a calibration).
//   thickness     in the unit of the reference distance 190; above 0 shrinks
//                 (black outer band), below 0 enlarges (outer part cut off),
//                 190 degenerates and above 190 mirrors; none is refused.
//   corrected     out: same size and type as image, black border.
// Returns 0 or -999. Logs "getCorrectImg: start!", "thickness: <thickness>",
// "getCorrectImg: end!".
TALMEQALGORITHM_EXPORT int getCorrectImgByThickness(cv::Mat image, cv::Mat cameraMatrix, cv::Mat distCoeffs,
                                                    double thickness, cv::Mat& corrected);
