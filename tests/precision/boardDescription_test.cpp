// Board description files: every kind of board read back as written, and
// every description that cannot be a board refused by a sentence naming
// the key at fault.
#include <gtest/gtest.h>
#include <talmeq/boardDescription.h>

#include <stdexcept>

namespace {

using talmeq::BoardDescription;
using talmeq::BoardType;

std::string refusal(const std::string& text) {
  try {
    talmeq::parseBoardDescription(text);
  } catch (const std::invalid_argument& error) {
    return error.what();
  }
  return "accepted";
}

TEST(BoardDescription, EveryTypeReadsBackAsWrittenWithCommentsAndQuotes) {
  const BoardDescription charuco = talmeq::parseBoardDescription(
      "# a ChArUco board\ntype: charuco\ncolumns: 5   # squares\nrows: 7\nsquare: 40\nmarker: 30.5\n"
      "dictionary: \"DICT_4X4_50\"\nfirst_id: 3\n");
  EXPECT_EQ(talmeq::boardDescriptionText(charuco),
            "type: charuco\ncolumns: 5\nrows: 7\nsquare: 40\nmarker: 30.5\n"
            "dictionary: DICT_4X4_50\nfirst_id: 3\n");
  EXPECT_EQ(talmeq::boardMarkerCount(charuco), 17);
  for (const BoardDescription& b : {charuco, talmeq::stationChessboard(), talmeq::stationArucoGrid()}) {
    const BoardDescription back = talmeq::parseBoardDescription(talmeq::boardDescriptionText(b));
    EXPECT_EQ(talmeq::boardDescriptionText(back), talmeq::boardDescriptionText(b));
    EXPECT_EQ(talmeq::describeBoard(back), talmeq::describeBoard(b));
  }
  EXPECT_EQ(talmeq::describeBoard(talmeq::stationArucoGrid()), "ArUco grid of 9 x 6 DICT_6X6_250 markers");
}

TEST(BoardDescription, WhatCannotBeABoardIsRefusedNamingTheKey) {
  const std::string grid = "type: aruco-grid\ncolumns: 4\nrows: 5\nmarker: 20\nseparation: 5\n";
  const std::string charuco = "type: charuco\ncolumns: 5\nrows: 7\nsquare: 40\n";
  const struct {
    std::string text, sentence;
  } cases[] = {
      {"columns: 9\n", "the board's key type is missing"},
      {"type: circles\n", "the board's type \"circles\" is none of chessboard, aruco-grid, charuco"},
      {"type: chessboard\ncolumns: 9\nrows: 6\n", "the board's key square is missing (a chessboard needs it)"},
      {"type: chessboard\ncolumns: 1\nrows: 6\nsquare: 1\n",
       "the board's columns and rows must be at least 2 inner corners"},
      {"type: chessboard\ncolumns: 9\nrows: 6\nsquare: -2\n", "the board's square must be positive"},
      {"type: chessboard\ncolumns: 9.5\nrows: 6\nsquare: 1\n", "the board's columns must be a whole number: \"9.5\""},
      {"type: chessboard\ncolumns: 9\nrows: 6\nsquare: 1mm\n", "the board's square is not a number: \"1mm\""},
      {"type: chessboard\ncolumns: 9\nrows: 6\nsquare: 1\nmarker: 1\n",
       "the board's key marker does not belong to a chessboard"},
      {"type: chessboard\ntype: chessboard\n", "the board's key type is given twice"},
      {"type: chessboard\ncolumns 9\n", "line 2 of the board is not \"key: value\""},
      {grid + "dictionary: DICT_6X6_250\nfirst_id: 0\n", "accepted"},
      {grid + "dictionary: DICT_9X9_1\n",
       "the board's dictionary \"DICT_9X9_1\" is not one of OpenCV's predefined dictionaries"},
      {grid + "dictionary: DICT_4X4_50\nfirst_id: 31\n",
       "the board's first_id 31 and its 20 markers go beyond the 50 ids of DICT_4X4_50"},
      {charuco + "marker: 40\ndictionary: DICT_4X4_50\n", "the board's marker must be smaller than its square"},
      {charuco + "marker: 30\n", "the board's key dictionary is missing (a charuco needs it)"},
  };
  for (const auto& c : cases) EXPECT_EQ(refusal(c.text), c.sentence) << c.text;
  EXPECT_THROW(talmeq::readBoardDescription("/nonexistent/board.yml"), std::invalid_argument);
}

}  // namespace
