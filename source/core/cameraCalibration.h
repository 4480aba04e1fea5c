// Camera calibration from the station's two targets: one view of the
// 17 x 12 inner-corner chessboard, or the markers of the 9 x 6 ArUco grid
// board found in several views. The targets' geometry is stated here once,
// for every calibration built on them.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "arucoApi.h"

namespace talmeq::detail::camera {

using MarkerCorners = aruco_api::MarkerCorners;

inline constexpr const char* kChessName = "calibChess";
inline constexpr const char* kArucoCornersName = "getArucoCorners";
inline constexpr const char* kArucoCalibName = "calibAruco";

// Chessboard target: 17 x 12 inner corners at a pitch of 15 units.
inline const cv::Size kChessPattern(17, 12);
inline constexpr int kChessPitch = 15;

// ArUco grid board: 9 x 6 markers of DICT_6X6_250, ids 0..53, marker side
// 200 and separation 100 units.
inline constexpr int kBoardMarkersX = 9;
inline constexpr int kBoardMarkersY = 6;
inline constexpr float kBoardMarkerLength = 200.0f;
inline constexpr float kBoardMarkerSeparation = 100.0f;
inline constexpr int kBoardFirstId = 0;

// Both calibrations stop after 30 iterations or at machine precision.
cv::TermCriteria calibrationCriteria();

// The inner corners in board units, row by row, 17 per row: the order in
// which findChessboardCorners reports them.
std::vector<cv::Point3f> chessObjectPoints();

// The ArUco grid board above, for the functions of arucoApi.h.
aruco_api::GridBoardGeometry gridBoard();

// The body of calibChess after its start message.
int calibrateFromChessboard(const cv::Mat& image, cv::Mat& cameraMatrix, cv::Mat& distCoeffs);

// The body of getArucoCorners.
int detectBoardMarkers(const cv::Mat& image, std::vector<int>& ids, MarkerCorners& corners);

// The body of calibAruco.
int calibrateFromBoardViews(const std::vector<MarkerCorners>& allCorners, const std::vector<std::vector<int>>& allIds,
                            cv::Size imageSize, cv::Mat& cameraMatrix, cv::Mat& distCoeffs);

}  // namespace talmeq::detail::camera
