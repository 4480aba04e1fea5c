// The printable calibration targets: any described board laid out in board
// units with a white border, and rendered as a raster at a given scale. The
// station's own:
//   chessboard: 17 x 12 inner corners, that is 18 x 13 squares of pitch 15,
//               top-left square dark, border of one pitch;
//   ArUco grid: 9 x 6 markers of DICT_6X6_250, ids 0..53 in OpenCV's
//               grid-board layout (row by row from the top left), marker side
//               200, separation 100, border of one separation.
// A described chessboard or ChArUco board has a border of one square, an
// ArUco grid one of its separation; ChArUco squares alternate from a dark
// top-left square, the markers in the light ones, as OpenCV draws them.
#pragma once

#include <talmeq/boardDescription.h>
#include <talmeq/export.h>

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq {

// A dark rectangle of the target, in board units; `marker` is the ArUco id it
// belongs to, or -1 for a chessboard square.
struct DarkRect {
  cv::Rect2d rect;
  int marker = -1;
};

struct BoardLayout {
  BoardDescription board;
  cv::Size2d size;    // whole sheet, border included, board units
  double border = 0;  // white border on every side, board units
  std::vector<DarkRect> dark;
};

// The layout of a board that checkBoardDescription accepts.
TALMEQ_EXPORT BoardLayout boardLayout(const BoardDescription& board);

// The smallest part of the target a printer must reproduce, in board units:
// a chessboard square, or a marker bit (a cell of the marker's bits inside
// its black frame).
TALMEQ_EXPORT double finestBoardDetail(const BoardDescription& board);

// The target rendered at `pixelsPerUnit` (8-bit grey, white paper). Marker
// boards are drawn by OpenCV's board drawing.
TALMEQ_EXPORT cv::Mat rasterBoard(const BoardLayout& layout, double pixelsPerUnit);

}  // namespace talmeq
