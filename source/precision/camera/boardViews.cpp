// Finding the described board's points in one view, refined without the
// bias of a fixed small refinement window: saddle-point refinement for the
// chessboard corners, the marker detector's sub-pixel step for the marker
// corners, OpenCV's interpolation between the markers for ChArUco corners.
// Markers that cannot belong to the board, and a chessboard of another
// size, are reported as not fitting instead of being used.
#include <talmeq/cameraCalibrationReport.h>
#include <talmeq/chessboardCheck.h>

#include <algorithm>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include "boardFit.h"
#include "boardMarkers.h"

namespace talmeq::detail {
namespace {

constexpr int kChessFlags = cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE;
const cv::Size kSubPixelHalfWindow(5, 5);
const cv::TermCriteria kSubPixelCriteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 100, 1e-4);
const cv::Size kSmallestChessboard(3, 3);      // the search for a chessboard of any size starts here
constexpr std::size_t kMinCharucoCorners = 6;  // fewer cannot pin a view's pose against the camera

cv::Mat greyOf(const cv::Mat& image) {
  CV_Assert(!image.empty());
  CV_CheckDepthEQ(image.depth(), CV_8U, "board views must be 8-bit images");
  CV_Assert(image.channels() == 1 || image.channels() == 3);
  if (image.channels() == 1) return image;
  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  return grey;
}

std::string sizeWords(int columns, int rows) { return std::to_string(columns) + " x " + std::to_string(rows); }

// When the described chessboard is not found: the inner corners of whatever
// chessboard OpenCV's sector-based detector sees, if it sees one.
// It looks at the frame reduced as the quick check does, so that a large
// frame without a board is still answered within about a second; the size
// of a board does not change with the scale.
std::string otherChessboard(const cv::Mat& grey, const BoardDescription& board) {
  constexpr double kLongestSide = 1280.0;
  cv::Mat reduced = grey;
  const double scale = kLongestSide / std::max(grey.cols, grey.rows);
  if (scale < 1.0) cv::resize(grey, reduced, cv::Size(), scale, scale, cv::INTER_AREA);
  std::vector<cv::Point2f> corners;
  cv::Mat meta;
  if (!cv::findChessboardCornersSB(reduced, kSmallestChessboard, corners, cv::CALIB_CB_LARGER, meta) || meta.empty())
    return "";
  if ((meta.cols == board.columns && meta.rows == board.rows) ||
      (meta.cols == board.rows && meta.rows == board.columns))
    return "";
  return "a chessboard of " + sizeWords(meta.cols, meta.rows) + " inner corners; the board is " +
         sizeWords(board.columns, board.rows);
}

BoardView chessboardView(const cv::Mat& grey, const BoardDescription& board) {
  BoardView view;
  // The quick check first: on a frame without the board the corner search
  // alone can run for minutes.
  if (!chessboardMayBeThere(grey, {board.columns, board.rows})) {
    view.misfit = otherChessboard(grey, board);
    return view;
  }
  if (!cv::findChessboardCorners(grey, {board.columns, board.rows}, view.imagePoints, kChessFlags)) {
    view.imagePoints.clear();
    view.misfit = otherChessboard(grey, board);
    return view;
  }
  cv::cornerSubPix(grey, view.imagePoints, kSubPixelHalfWindow, cv::Size(-1, -1), kSubPixelCriteria);
  for (int r = 0; r < board.rows; ++r)
    for (int c = 0; c < board.columns; ++c)
      view.boardPoints.emplace_back(static_cast<float>(board.square * c), static_cast<float>(board.square * r), 0.0f);
  view.found = true;
  return view;
}

// The markers that fit the board, or the view's misfit.
boards::Markers fittingMarkers(const cv::Mat& grey, const BoardDescription& board, BoardView& view) {
  const boards::Markers found = boards::detectMarkers(grey, board);
  const boards::MarkerFit fit = boards::fitMarkers(found, board);
  boards::Markers kept;
  if (!fit.fits) view.misfit = fit.seen;
  for (std::size_t i : fit.kept) {
    kept.ids.push_back(found.ids[i]);
    kept.corners.push_back(found.corners[i]);
  }
  return kept;
}

BoardView arucoView(const cv::Mat& grey, const BoardDescription& board) {
  BoardView view;
  view.target = CalibrationTarget::kArucoGrid;
  const boards::Markers markers = fittingMarkers(grey, board, view);
  const std::vector<std::vector<cv::Point3f>> onBoard = boards::markerCornersOnBoard(board);
  for (std::size_t i = 0; i < markers.ids.size(); ++i) {
    const auto& corners = onBoard[static_cast<std::size_t>(markers.ids[i] - board.firstId)];
    view.boardPoints.insert(view.boardPoints.end(), corners.begin(), corners.end());
    view.imagePoints.insert(view.imagePoints.end(), markers.corners[i].begin(), markers.corners[i].end());
  }
  view.found = !view.imagePoints.empty();
  return view;
}

BoardView charucoView(const cv::Mat& grey, const BoardDescription& board) {
  BoardView view;
  view.target = CalibrationTarget::kArucoGrid;
  const boards::Markers markers = fittingMarkers(grey, board, view);
  std::vector<int> ids;
  boards::findCharucoCorners(grey, board, markers, ids, view.imagePoints);
  const std::vector<cv::Point3f> onBoard = boards::charucoCornersOnBoard(board);
  for (int id : ids) view.boardPoints.push_back(onBoard[static_cast<std::size_t>(id)]);
  view.found = view.imagePoints.size() >= kMinCharucoCorners;
  if (!view.found) view.boardPoints.clear(), view.imagePoints.clear();
  return view;
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

BoardView findBoardView(const cv::Mat& image, const BoardDescription& board) {
  checkBoardDescription(board);
  const cv::Mat grey = detail::greyOf(image);
  switch (board.type) {
    case BoardType::kChessboard:
      return detail::chessboardView(grey, board);
    case BoardType::kArucoGrid:
      return detail::arucoView(grey, board);
    case BoardType::kCharuco:
      return detail::charucoView(grey, board);
  }
  return {};
}

BoardView findBoardView(const cv::Mat& image, CalibrationTarget target) {
  return findBoardView(image, target == CalibrationTarget::kChessboard ? stationChessboard() : stationArucoGrid());
}

}  // namespace talmeq
