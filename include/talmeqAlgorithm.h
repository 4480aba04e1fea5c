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
// equal first and last heights, a path that names no regular file, or
// "dist" 0; the file is not written) or -999. Non-finite settings in the
// file give a non-finite fit and average error, which is not above 0.2.
// A file that opens but does not parse (empty, garbage) raises cv::Exception.
// talmeq::fitHeightModel (talmeq/heightReading.h) reports an unwritten file
// (kNotWritten) and keeps a whole calibration rather than write a poor fit
// over it (kKept).
TALMEQALGORITHM_EXPORT int getCalibrationParamByLinear(std::vector<double> heights, std::vector<cv::Point> coords,
                                                       std::string ymlPath);

// Shifts "initZ" of the calibration file by toZ - fromZ, so that a plane that
// measured fromZ now measures toZ, and rewrites the file atomically with all
// eleven keys (missing ones as 0; an unwritable file is left as it was).
// Returns 0, -2 (the path names no regular file; it is not created) or -999.
// The shift is not checked: a non-finite one is written as it comes out.
// A file that opens but does not parse (empty, garbage) raises cv::Exception.
// A file of other keys (a host's own settings) is replaced by the eleven
// keys, and a file that cannot be replaced still returns 0; no lock is
// taken, so calls on one file must take turns. talmeq::correctHeightOffset
// (talmeq/heightOffsetCorrection.h) reports each of these by its status.
TALMEQALGORITHM_EXPORT int correctYml(double fromZ, double toZ, std::string ymlPath);

// Measures the plane height from a CV_8UC3 BGR image with the calibration
// file: finds the spot inside "RoI" shifted by "offsetX"/"offsetY", and
// inverts the linear model for its distance from the shifted reference point.
//   height  out: the relative height h of the model.
//   axisZ   out: h + initZ + focusD, the absolute height.
// A single faint candidate (less than 30 above the window's mean red) counts
// as a spot at pixel (0, 0), and the height is computed for that pixel: a
// made-up height that comes back as -3, or as 0 when it lands in range.
// talmeq::readHeight (talmeq/heightReading.h) reports no spot instead.
// Returns 0, -1 (no single spot in the window, an empty window, or one of
// fewer than 101 pixels without a saturated spot; outputs untouched),
// -2 (the path names no regular file; outputs untouched), -3 (axisZ above 0
// or below -32; both outputs written; a NaN is neither) or -999. Writes nothing to
// the logger, not even for -999. A window that does not lie inside the image,
// or of negative size, and a file that does not parse raise cv::Exception.
TALMEQALGORITHM_EXPORT int getPlaneHeightByLinear(cv::Mat image, std::string ymlPath, double& height, double& axisZ);

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
// The corner search is not bounded in time: on a frame without the board it
// takes from tens of seconds to minutes at 1024 x 768, longer on larger frames, and the
// calling thread cannot be stopped meanwhile. talmeq::chessboardMayBeThere
// (talmeq/chessboardCheck.h) answers within a second whether to call it;
// talmeq::findBoardView runs that check itself.
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
// outputs untouched), -2 (allIds holds fewer views than allCorners, a view
// fewer identifiers than markers, or a marker not exactly four corners;
// outputs untouched) or -999.
// Writes no messages; every failure writes a failure record. Views OpenCV
// cannot calibrate from raise cv::Exception: a view holding no marker, or
// too few markers of the board in all.
TALMEQALGORITHM_EXPORT int calibAruco(std::vector<std::vector<std::vector<cv::Point2f>>> allCorners,
                                      std::vector<std::vector<int>> allIds, cv::Size imageSize, cv::Mat& cameraMatrix,
                                      cv::Mat& distCoeffs);

// Removes the lens distortion by an explicit map (CV_16SC2) built for the
// requested output size; the camera matrix is kept as the output's own.
//   image         any image cv::remap accepts (only read).
//   cameraMatrix  3 x 3, CV_64F or CV_32F, pixels; other shapes or types
//                 raise cv::Exception.
//   distCoeffs    4, 5, 8, 12 or 14 coefficients (k1, k2, p1, p2[, k3...]).
//   imageSize     size of the output in pixels (may differ from the image).
//   corrected     out: imageSize, type of image; bilinear interpolation,
//                 black where the source position lies outside the image.
// Returns 0 or -999. Writes no messages. Only a camera matrix of another
// shape or type, or a coefficient count OpenCV does not take, raises
// cv::Exception: a 3 x 3 matrix of zeros, NaN or infinities, or a NaN
// coefficient, returns 0 with an all-black image. talmeq::undistort
// (talmeq/cameraCorrection.h) refuses them, naming the argument.
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
// "getCorrectImg: end!". As for undistAruco, a 3 x 3 matrix of zeros, NaN or
// infinities returns 0 with an all-black image; talmeq::correctForThickness
// (talmeq/cameraCorrection.h) refuses it, and a thickness outside 0 .. 190.
TALMEQALGORITHM_EXPORT int getCorrectImgByThickness(cv::Mat image, cv::Mat cameraMatrix, cv::Mat distCoeffs,
                                                    double thickness, cv::Mat& corrected);
