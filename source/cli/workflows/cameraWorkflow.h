// Camera calibration as the tool runs it, shared by the `calib-chess`,
// `calib-aruco` and `calib-charuco` subcommands and the demo. One view of a station target is
// calibrated by the library's export, and the library reviews the result
// on the board points it finds (reviewCamera): the same record of residuals
// and repeated views as the many-view station report.
#pragma once

#include <talmeq/cameraCalibrationReport.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "commands.h"

namespace talmeq::cli {

struct CameraCalibration {
  cv::Mat cameraMatrix, distCoeffs;
  cv::Size imageSize;
  int viewCount = 0;               // views the calibration was made from
  CameraCalibrationReport review;  // the library's record of the views, in the order they were given
  bool reviewed() const { return review.usedViews > 0; }
};

// The markers getArucoCorners found in one view, and the station board's
// points the library finds in it.
struct MarkerView {
  std::vector<int> ids;
  std::vector<std::vector<cv::Point2f>> corners;
  BoardView board;
};

// getArucoCorners and findBoardView on `image`; no ids when it finds no
// marker. WorkFailure for an OpenCV error or a text exception.
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

// Camera calibration from many views through the station layer: each view's
// board points found and refined without bias, OpenCV's calibration with the
// uncertainty of every parameter, and the quality report with its verdict.
// Unreadable views are failed rows; views without the board, or showing a
// board that cannot be the described one, are left out.
struct ManyViewOptions {
  BoardDescription board = stationChessboard();
  std::vector<std::string> images;
  std::string out;
  std::string annotate;  // per-view pictures and the coverage map; empty for none
  CalibrationThresholds thresholds;
};

// Runs the calibration, writes the camera file and the pictures, and reports
// the table and the JSON document. WorkFailure when a view could not be read
// (after everything else is written) or when the calibration fails its
// verdict (the camera file records the verdict and its checks); no view
// fitting the board is a WorkFailure before any file is written.
void runManyViewCalibration(const ManyViewOptions& options, Session& session);

// The coverage map's file for the pictures at `annotate`.
std::string coverageMapPath(const std::string& annotate);

}  // namespace talmeq::cli
