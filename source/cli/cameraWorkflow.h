// Camera calibration as the tool runs it, shared by the `calib-chess` and
// `calib-aruco` subcommands and the demo.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

#include "reprojection.h"

namespace talmeq::cli {

struct CameraCalibration {
  cv::Mat cameraMatrix, distCoeffs;
  cv::Size imageSize;
  std::vector<int> markers;                  // per view: markers found (ArUco), corners found (chess)
  std::optional<Reprojection> reprojection;  // when the tool could match the board points
};

// calibChess on one image; LibraryFailure when the pattern is not found.
CameraCalibration calibrateFromChessboard(const std::string& imagePath);

// getArucoCorners on each image, then calibAruco on every view with markers.
// LibraryFailure when no image holds a marker or OpenCV refuses the views;
// UsageError when the images differ in size.
CameraCalibration calibrateFromArucoViews(const std::vector<std::string>& imagePaths);

}  // namespace talmeq::cli
