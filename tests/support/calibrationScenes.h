// Reading rendered chessboard views: the inner corners found by a reference
// detector independent of the library, and how far a point set lies from
// the truth.
#pragma once

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include "arucoApi.h"
#include "datasetWriter.h"

namespace talmeq::test {

// Largest distance between each found point and its nearest true point.
inline double worstNearestDistance(const std::vector<cv::Point2f>& found, const std::vector<cv::Point2f>& truth) {
  double worst = 0.0;
  for (const cv::Point2f& p : found) {
    double nearest = 1e9;
    for (const cv::Point2f& t : truth) nearest = std::min(nearest, static_cast<double>(cv::norm(p - t)));
    worst = std::max(worst, nearest);
  }
  return worst;
}

// The 17 x 12 inner corners of a chessboard image refined by cornerSubPix;
// empty if not found.
inline std::vector<cv::Point2f> subpixelChessCorners(const cv::Mat& image) {
  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  std::vector<cv::Point2f> corners;
  if (!cv::findChessboardCorners(grey, cv::Size(17, 12), corners, cv::CALIB_CB_ADAPTIVE_THRESH)) return {};
  const cv::TermCriteria criteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 50, 1e-4);
  cv::cornerSubPix(grey, corners, cv::Size(5, 5), cv::Size(-1, -1), criteria);
  return corners;
}

// The station's 9 x 6 grid of DICT_6X6_250 markers printed with its ids in
// reverse order (id 53 top left), seen square-on: every id is the board's,
// none lies in its place.
inline cv::Mat reversedStationGrid() {
  cv::Mat image(600, 900, CV_8UC1, cv::Scalar(255));
  for (int id = 0, cell = 53; id < 54; ++id, --cell)
    detail::aruco_api::drawMarker(detail::aruco_api::kDict6x6_250, id, 60, 1)
        .copyTo(image(cv::Rect(45 + 90 * (cell % 9), 45 + 90 * (cell / 9), 60, 60)));
  return image;
}

}  // namespace talmeq::test
