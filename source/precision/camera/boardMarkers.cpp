// The marker side of the described boards through the core's ArUco adapter
// (see boardMarkers.h).
#include "boardMarkers.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

#include "arucoApi.h"

namespace talmeq::detail::boards {
namespace {

aruco_api::GridBoardGeometry gridGeometry(const BoardDescription& b) {
  return {{b.columns, b.rows},
          static_cast<float>(b.marker),
          static_cast<float>(b.separation),
          dictionaryByName(b.dictionary),
          b.firstId};
}

aruco_api::CharucoBoardGeometry charucoGeometry(const BoardDescription& b) {
  return {{b.columns, b.rows},
          static_cast<float>(b.square),
          static_cast<float>(b.marker),
          dictionaryByName(b.dictionary),
          b.firstId};
}

// OpenCV 4.6's interpolation leaves its corners about half a pixel right of
// and below the saddle (measured on rendered views against their truth), so
// each is refined again, with a window that stays clear of the markers: half
// the distance to the nearest marker corner, 2 to 5 pixels.
void refineSaddles(const cv::Mat& grey, const Markers& markers, std::vector<cv::Point2f>& corners) {
  const cv::TermCriteria criteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 100, 1e-4);
  for (cv::Point2f& corner : corners) {
    double nearest = 1e9;
    for (const auto& marker : markers.corners)
      for (const cv::Point2f& p : marker) nearest = std::min(nearest, static_cast<double>(cv::norm(p - corner)));
    const int half = std::clamp(static_cast<int>(0.5 * nearest), 2, 5);
    std::vector<cv::Point2f> one{corner};
    cv::cornerSubPix(grey, one, {half, half}, {-1, -1}, criteria);
    corner = one.front();
  }
}

}  // namespace

Markers detectMarkers(const cv::Mat& grey, const BoardDescription& board) {
  Markers markers;
  aruco_api::detectMarkers(grey, dictionaryByName(board.dictionary), aruco_api::CornerRefinement::kSubpixel,
                           markers.corners, markers.ids);
  return markers;
}

std::vector<std::vector<cv::Point3f>> markerCornersOnBoard(const BoardDescription& board) {
  if (board.type == BoardType::kCharuco) return aruco_api::charucoBoardMarkers(charucoGeometry(board)).corners;
  return aruco_api::gridBoardMarkers(gridGeometry(board)).corners;
}

std::vector<cv::Point3f> charucoCornersOnBoard(const BoardDescription& board) {
  return aruco_api::charucoBoardCorners(charucoGeometry(board));
}

void findCharucoCorners(const cv::Mat& grey, const BoardDescription& board, const Markers& markers,
                        std::vector<int>& ids, std::vector<cv::Point2f>& corners) {
  aruco_api::CharucoCorners found =
      aruco_api::interpolateCharucoCorners(grey, charucoGeometry(board), markers.corners, markers.ids);
  ids = std::move(found.ids);
  corners = std::move(found.corners);
  refineSaddles(grey, markers, corners);
}

}  // namespace talmeq::detail::boards
