// The marker side of the described boards through OpenCV 4.6's contrib ArUco
// API (see boardMarkers.h).
#include "boardMarkers.h"

#include <algorithm>
#include <numeric>
#include <opencv2/aruco.hpp>
#include <opencv2/aruco/charuco.hpp>
#include <opencv2/imgproc.hpp>

namespace talmeq::boards {
namespace {

cv::Ptr<cv::aruco::Dictionary> dictionaryOf(const BoardDescription& board) {
  return cv::aruco::getPredefinedDictionary(dictionaryByName(board.dictionary));
}

std::vector<int> boardIds(const BoardDescription& board) {
  std::vector<int> ids(static_cast<std::size_t>(boardMarkerCount(board)));
  std::iota(ids.begin(), ids.end(), board.firstId);
  return ids;
}

cv::Ptr<cv::aruco::Board> openCvBoard(const BoardDescription& b) {
  if (b.type == BoardType::kCharuco) {
    cv::Ptr<cv::aruco::CharucoBoard> board = cv::aruco::CharucoBoard::create(
        b.columns, b.rows, static_cast<float>(b.square), static_cast<float>(b.marker), dictionaryOf(b));
    board->ids = boardIds(b);
    return board;
  }
  cv::Ptr<cv::aruco::GridBoard> board =
      cv::aruco::GridBoard::create(b.columns, b.rows, static_cast<float>(b.marker),
                                   static_cast<float>(b.separation), dictionaryOf(b), b.firstId);
  return board;
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
      for (const cv::Point2f& p : marker)
        nearest = std::min(nearest, static_cast<double>(cv::norm(p - corner)));
    const int half = std::clamp(static_cast<int>(0.5 * nearest), 2, 5);
    std::vector<cv::Point2f> one{corner};
    cv::cornerSubPix(grey, one, {half, half}, {-1, -1}, criteria);
    corner = one.front();
  }
}

}  // namespace

Markers detectMarkers(const cv::Mat& grey, const BoardDescription& board) {
  const cv::Ptr<cv::aruco::DetectorParameters> parameters = cv::aruco::DetectorParameters::create();
  parameters->cornerRefinementMethod = cv::aruco::CORNER_REFINE_SUBPIX;
  Markers markers;
  cv::aruco::detectMarkers(grey, dictionaryOf(board), markers.corners, markers.ids, parameters);
  return markers;
}

std::vector<std::vector<cv::Point3f>> markerCornersOnBoard(const BoardDescription& board) {
  return openCvBoard(board)->objPoints;
}

std::vector<cv::Point3f> charucoCornersOnBoard(const BoardDescription& board) {
  const cv::Ptr<cv::aruco::Board> b = openCvBoard(board);
  return static_cast<const cv::aruco::CharucoBoard&>(*b).chessboardCorners;
}

void findCharucoCorners(const cv::Mat& grey, const BoardDescription& board, const Markers& markers,
                        std::vector<int>& ids, std::vector<cv::Point2f>& corners) {
  ids.clear();
  corners.clear();
  if (markers.ids.empty()) return;
  const cv::Ptr<cv::aruco::Board> b = openCvBoard(board);
  const cv::Ptr<cv::aruco::CharucoBoard> charuco = b.staticCast<cv::aruco::CharucoBoard>();
  cv::aruco::interpolateCornersCharuco(markers.corners, markers.ids, grey, charuco, corners, ids);
  refineSaddles(grey, markers, corners);
}

cv::Mat drawBoard(const BoardDescription& board, cv::Size size, int margin) {
  cv::Mat image;
  const cv::Ptr<cv::aruco::Board> b = openCvBoard(board);
  if (board.type == BoardType::kCharuco)
    b.staticCast<cv::aruco::CharucoBoard>()->draw(size, image, margin, 1);
  else
    b.staticCast<cv::aruco::GridBoard>()->draw(size, image, margin, 1);
  return image;
}

cv::Mat markerBits(const BoardDescription& board, int id, int cells) {
  cv::Mat bits;
  cv::aruco::drawMarker(dictionaryOf(board), id, cells, bits, 1);
  return bits;
}

}  // namespace talmeq::boards
