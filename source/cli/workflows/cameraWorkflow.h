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
  std::size_t viewCount = 0;                 // views the calibration was made from
  std::vector<BoardView> views;              // their board points, where the tool could match them
  std::optional<Reprojection> reprojection;  // when the tool could match the board points
};

// The markers getArucoCorners found in one view.
struct MarkerView {
  std::vector<int> ids;
  std::vector<std::vector<cv::Point2f>> corners;
};

// getArucoCorners on `image`; no ids when it finds no marker. WorkFailure for
// an OpenCV error or a text exception.
MarkerView findMarkers(const cv::Mat& image);

// calibAruco on `views` (each with markers) of images of `imageSize`.
// WorkFailure when there is no view or OpenCV refuses them.
CameraCalibration calibrateFromMarkers(const std::vector<MarkerView>& views, cv::Size imageSize);

// calibChess on one image; WorkFailure naming `path` when the pattern is
// not found.
CameraCalibration calibrateFromChessboard(const cv::Mat& image, const std::string& path);

// The whole ArUco calibration of the images at `paths`, for the demo:
// UsageError for an image that cannot be read or differs in size.
CameraCalibration calibrateFromArucoImages(const std::vector<std::string>& paths);

}  // namespace talmeq::cli
