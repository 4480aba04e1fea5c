// Layout and raster of the calibration targets (see talmeq/boardTarget.h).
#include <talmeq/boardTarget.h>

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "arucoApi.h"

namespace talmeq::detail {
namespace {

constexpr int kMarkerBorderBits = 1;

int dictionaryOf(const BoardDescription& board) { return dictionaryByName(board.dictionary); }

// Cells across a marker of the board's dictionary: its bits and the black frame.
int markerCells(const BoardDescription& board) {
  return aruco_api::markerBits(dictionaryOf(board)) + 2 * kMarkerBorderBits;
}

aruco_api::CharucoBoardGeometry charucoBoard(const BoardDescription& b) {
  return {{b.columns, b.rows}, static_cast<float>(b.square), static_cast<float>(b.marker), dictionaryOf(b), b.firstId};
}

aruco_api::GridBoardGeometry gridBoard(const BoardDescription& b) {
  return {
      {b.columns, b.rows}, static_cast<float>(b.marker), static_cast<float>(b.separation), dictionaryOf(b), b.firstId};
}

// Dark squares alternating from a dark top-left square; with `markers`
// (a ChArUco board), the squares that hold no marker, wherever the OpenCV
// version at hand puts its markers.
void addSquares(BoardLayout& layout, int squaresX, int squaresY, const aruco_api::BoardMarkers* markers = nullptr) {
  const double pitch = layout.board.square;
  std::vector<bool> light(static_cast<std::size_t>(squaresX * squaresY), false);
  for (std::size_t i = 0; markers != nullptr && i < markers->corners.size(); ++i) {
    const cv::Point3f& corner = markers->corners[i][0];
    light[static_cast<std::size_t>(static_cast<int>(corner.y / pitch) * squaresX +
                                   static_cast<int>(corner.x / pitch))] = true;
  }
  for (int r = 0; r < squaresY; ++r)
    for (int c = 0; c < squaresX; ++c)
      if (markers != nullptr ? !light[static_cast<std::size_t>(r * squaresX + c)] : (r + c) % 2 == 0)
        layout.dark.push_back({{layout.border + c * pitch, layout.border + r * pitch, pitch, pitch}, -1});
}

// The black cells of one marker, placed with its top-left corner at `origin`.
void addMarkerCells(BoardLayout& layout, int id, const cv::Point2d& origin) {
  const int cells = markerCells(layout.board);
  const cv::Mat bits = aruco_api::drawMarker(dictionaryOf(layout.board), id, cells, kMarkerBorderBits);
  const double cell = layout.board.marker / cells;
  for (int r = 0; r < cells; ++r) {
    for (int c = 0; c < cells; ++c) {
      if (bits.at<uchar>(r, c) == 0)
        layout.dark.push_back({{origin.x + c * cell, origin.y + r * cell, cell, cell}, id});
    }
  }
}

void addMarkers(BoardLayout& layout, const aruco_api::BoardMarkers& board) {
  for (std::size_t i = 0; i < board.ids.size(); ++i) {
    const cv::Point3f corner = board.corners[i][0];  // top-left, y grows downwards
    addMarkerCells(layout, board.ids[i], {layout.border + corner.x, layout.border + corner.y});
  }
}

int toPixels(double units, double pixelsPerUnit) { return static_cast<int>(std::lround(units * pixelsPerUnit)); }

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

BoardLayout boardLayout(const BoardDescription& b) {
  BoardLayout layout{b, {}, b.type == BoardType::kArucoGrid ? b.separation : b.square, {}};
  const double border = 2 * layout.border;
  switch (b.type) {
    case BoardType::kChessboard:
      layout.size = {(b.columns + 1) * b.square + border, (b.rows + 1) * b.square + border};
      detail::addSquares(layout, b.columns + 1, b.rows + 1);
      break;
    case BoardType::kArucoGrid:
      layout.size = {b.columns * b.marker + (b.columns - 1) * b.separation + border,
                     b.rows * b.marker + (b.rows - 1) * b.separation + border};
      detail::addMarkers(layout, detail::aruco_api::gridBoardMarkers(detail::gridBoard(b)));
      break;
    case BoardType::kCharuco: {
      layout.size = {b.columns * b.square + border, b.rows * b.square + border};
      const detail::aruco_api::BoardMarkers markers = detail::aruco_api::charucoBoardMarkers(detail::charucoBoard(b));
      detail::addSquares(layout, b.columns, b.rows, &markers);
      detail::addMarkers(layout, markers);
      break;
    }
  }
  return layout;
}

double finestBoardDetail(const BoardDescription& board) {
  return board.type == BoardType::kChessboard ? board.square : board.marker / detail::markerCells(board);
}

cv::Mat rasterBoard(const BoardLayout& layout, double pixelsPerUnit) {
  const cv::Size size(detail::toPixels(layout.size.width, pixelsPerUnit),
                      detail::toPixels(layout.size.height, pixelsPerUnit));
  const int margin = detail::toPixels(layout.border, pixelsPerUnit);
  if (layout.board.type == BoardType::kArucoGrid)
    return detail::aruco_api::drawGridBoard(detail::gridBoard(layout.board), size, margin, detail::kMarkerBorderBits);
  if (layout.board.type == BoardType::kCharuco)
    return detail::aruco_api::drawCharucoBoard(detail::charucoBoard(layout.board), size, margin,
                                               detail::kMarkerBorderBits);
  cv::Mat image(size, CV_8UC1, cv::Scalar(255));
  for (const DarkRect& dark : layout.dark) {
    const cv::Point topLeft(detail::toPixels(dark.rect.x, pixelsPerUnit), detail::toPixels(dark.rect.y, pixelsPerUnit));
    const cv::Point bottomRight(detail::toPixels(dark.rect.x + dark.rect.width, pixelsPerUnit),
                                detail::toPixels(dark.rect.y + dark.rect.height, pixelsPerUnit));
    image(cv::Rect(topLeft, bottomRight)).setTo(0);
  }
  return image;
}

}  // namespace talmeq
