#include "cameraCalibration.h"

#include <cfloat>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include "callFrame.h"

namespace talmeq::detail::camera {
namespace {

constexpr int kChessFlags = cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE;
const cv::Size kChessRefineRegion(5, 5);
constexpr std::size_t kCornersPerMarker = 4;

// Every view of `allCorners` has a list of identifiers at least as long as
// its list of markers, and every marker has its four corners (the board's
// point pairing reads exactly four per marker, whatever the list holds).
bool detectionsConsistent(const std::vector<MarkerCorners>& allCorners, const std::vector<std::vector<int>>& allIds) {
  if (allIds.size() < allCorners.size()) return false;
  for (std::size_t i = 0; i < allCorners.size(); ++i) {
    if (allIds[i].size() < allCorners[i].size()) return false;
    for (const std::vector<cv::Point2f>& marker : allCorners[i])
      if (marker.size() != kCornersPerMarker) return false;
  }
  return true;
}

// The per-view detections in the single-list form of the ArUco calibration:
// all markers view after view, and the marker count of each view.
struct FlatDetections {
  MarkerCorners corners;
  std::vector<int> ids;
  std::vector<int> counter;
};

FlatDetections flatten(const std::vector<MarkerCorners>& allCorners, const std::vector<std::vector<int>>& allIds) {
  FlatDetections flat;
  flat.counter.reserve(allCorners.size());
  for (std::size_t i = 0; i < allCorners.size(); ++i) {
    flat.counter.push_back(static_cast<int>(allCorners[i].size()));
    for (std::size_t j = 0; j < allCorners[i].size(); ++j) {
      flat.corners.push_back(allCorners[i][j]);
      flat.ids.push_back(allIds[i][j]);
    }
  }
  return flat;
}

}  // namespace

cv::TermCriteria calibrationCriteria() {
  return cv::TermCriteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 30, DBL_EPSILON);
}

std::vector<cv::Point3f> chessObjectPoints() {
  std::vector<cv::Point3f> points;
  points.reserve(static_cast<std::size_t>(kChessPattern.area()));
  for (int r = 0; r < kChessPattern.height; ++r)
    for (int c = 0; c < kChessPattern.width; ++c)
      points.emplace_back(static_cast<float>(kChessPitch * c), static_cast<float>(kChessPitch * r), 0.0f);
  return points;
}

aruco_api::GridBoardGeometry gridBoard() {
  return {cv::Size(kBoardMarkersX, kBoardMarkersY), kBoardMarkerLength, kBoardMarkerSeparation, aruco_api::kDict6x6_250,
          kBoardFirstId};
}

int calibrateFromChessboard(const cv::Mat& image, cv::Mat& cameraMatrix, cv::Mat& distCoeffs) {
  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY, 0);
  const cv::Size imageSize(grey.cols, grey.rows);
  std::vector<cv::Point2f> corners;
  if (!cv::findChessboardCorners(grey, kChessPattern, corners, kChessFlags)) {
    logMessage("calibChess: findChessboardCorners fail!");
    return TALMEQ_FAILURE(kChessName, kNoResult);
  }
  logMessage("calibChess: findChessboardCorners success!");
  cv::find4QuadCornerSubpix(grey, corners, kChessRefineRegion);
  const std::vector<std::vector<cv::Point2f>> imagePoints{corners};
  const std::vector<std::vector<cv::Point3f>> objectPoints{chessObjectPoints()};

  cameraMatrix = cv::Mat::eye(3, 3, CV_64F);
  distCoeffs = cv::Mat::zeros(1, 5, CV_64F);
  std::vector<cv::Mat> rvecs, tvecs;
  const double rms = cv::calibrateCamera(objectPoints, imagePoints, imageSize, cameraMatrix, distCoeffs, rvecs, tvecs,
                                         0, calibrationCriteria());
  logMessage("calibChess: rms = ", rms);
  return kOk;
}

int detectBoardMarkers(const cv::Mat& image, std::vector<int>& ids, MarkerCorners& corners) {
  MarkerCorners rejected;
  aruco_api::detectMarkers(image, gridBoard().dictionary, aruco_api::CornerRefinement::kNone, corners, ids, &rejected);
  if (corners.empty()) return TALMEQ_FAILURE(kArucoCornersName, kNoResult);
  return kOk;
}

int calibrateFromBoardViews(const std::vector<MarkerCorners>& allCorners, const std::vector<std::vector<int>>& allIds,
                            cv::Size imageSize, cv::Mat& cameraMatrix, cv::Mat& distCoeffs) {
  if (!detectionsConsistent(allCorners, allIds)) return TALMEQ_FAILURE(kArucoCalibName, kBadInput);
  const FlatDetections flat = flatten(allCorners, allIds);
  if (allCorners.empty()) return TALMEQ_FAILURE(kArucoCalibName, kNoResult);
  aruco_api::calibrateCameraFromMarkers(gridBoard(), flat.corners, flat.ids, flat.counter, imageSize, cameraMatrix,
                                        distCoeffs, 0, calibrationCriteria());
  return kOk;
}

}  // namespace talmeq::detail::camera
