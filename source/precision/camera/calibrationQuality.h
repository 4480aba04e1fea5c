// The quality measures of a camera calibration that do not need the
// calibration itself to run again: coverage of the image by the views,
// agreement of two cameras over the image, straightness of undistorted
// board rows, board tilt and repeated views.
#pragma once

#include <talmeq/cameraCalibrationReport.h>

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::detail::quality {

inline constexpr int kCoverageCells = 10;  // the image is cut into 10 x 10 cells

// Per cell, how many of `views` have at least one image point in it
// (CV_32S, kCoverageCells x kCoverageCells).
cv::Mat coverageGrid(const std::vector<const BoardView*>& views, cv::Size imageSize);

// Mean over standard deviation of the cells (infinite when they are all
// equal), and the share of cells that are not zero.
double coverageScore(const cv::Mat& grid);
double coveredShare(const cv::Mat& grid);

// RMS, in pixels, of how far camera B puts the rays that camera A sees at a
// 20 x 20 grid of positions over the image.
double projectionDifference(const cv::Mat& cameraA, const cv::Mat& distA, const cv::Mat& cameraB, const cv::Mat& distB,
                            cv::Size imageSize);

// The largest distance, in pixels, of a view's undistorted point from the
// straight line fitted through the points of its board row (points that
// share a board y); rows of fewer than 3 points are skipped.
double rowStraightness(const BoardView& view, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs);

// The angle between the board's normal and the optical axis, degrees.
double boardTilt(const cv::Mat& rvec);

// True when the two views hold the same board points at image positions
// less than a pixel apart (RMS): the same pose seen twice.
bool samePose(const BoardView& a, const BoardView& b);

}  // namespace talmeq::detail::quality
