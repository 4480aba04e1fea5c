// The calibration board a set of views shows: a chessboard, a grid of ArUco
// markers or a ChArUco board, with its sizes in board units. The station's
// own two targets are predefined; any other board is described in a small
// YAML file of `key: value` lines:
//
//   type: chessboard        # chessboard | aruco-grid | charuco
//   columns: 9              # chessboard: inner corners across; aruco-grid: markers
//                           # across; charuco: squares across
//   rows: 6                 # the same downwards
//   square: 25.0            # chessboard, charuco: the side of a square
//   marker: 37.5            # aruco-grid, charuco: the side of a marker
//   separation: 5.0         # aruco-grid: the gap between markers
//   dictionary: DICT_6X6_250  # aruco-grid, charuco: an OpenCV predefined dictionary
//   first_id: 0             # aruco-grid, charuco: the id of the first marker (default 0)
//
// Errors: a description that cannot be a board raises std::invalid_argument
// whose message is one sentence naming the key at fault.
#pragma once

#include <talmeq/export.h>

#include <string>

namespace talmeq {

enum class BoardType { kChessboard, kArucoGrid, kCharuco };

struct BoardDescription {
  BoardType type = BoardType::kChessboard;
  int columns = 0;
  int rows = 0;
  double square = 0.0;
  double marker = 0.0;
  double separation = 0.0;
  std::string dictionary;  // e.g. "DICT_6X6_250"
  int firstId = 0;
};

// The station's 17 x 12 inner-corner chessboard at pitch 15.
TALMEQ_EXPORT BoardDescription stationChessboard();

// The station's 9 x 6 grid of DICT_6X6_250 markers, side 200, separation 100, ids 0..53.
TALMEQ_EXPORT BoardDescription stationArucoGrid();

// Throws std::invalid_argument when the description cannot be a board:
// a size not positive, a marker not smaller than its square, an unknown
// dictionary or ids beyond it.
TALMEQ_EXPORT void checkBoardDescription(const BoardDescription& board);

// Parses and checks the text of a description file; an unknown or missing
// key, a repeated key, an unknown type or a malformed number is refused.
TALMEQ_EXPORT BoardDescription parseBoardDescription(const std::string& text);

// Reads, parses and checks a description file.
TALMEQ_EXPORT BoardDescription readBoardDescription(const std::string& path);

// "chessboard of 9 x 6 inner corners", "ArUco grid of 4 x 5 DICT_6X6_250
// markers", "ChArUco board of 5 x 7 squares with DICT_4X4_50 markers".
TALMEQ_EXPORT std::string describeBoard(const BoardDescription& board);

// The description as the text of a description file (read back unchanged).
TALMEQ_EXPORT std::string boardDescriptionText(const BoardDescription& board);

// The number of markers on the board (0 for a chessboard).
TALMEQ_EXPORT int boardMarkerCount(const BoardDescription& board);

// OpenCV's predefined dictionary of that name (cv::aruco::PREDEFINED_DICTIONARY_NAME), or -1.
TALMEQ_EXPORT int dictionaryByName(const std::string& name);

}  // namespace talmeq
