// Board descriptions in the Python module: BoardDescription (a plain object
// with the file's keys), readBoardDescription and findBoardView, which finds
// a described board's points in a frame.
#include <pybind11/stl.h>
#include <talmeq/precision.h>

#include <stdexcept>
#include <string>

#include "arrayArguments.h"
#include "calls.h"

namespace talmeq::python {

using bindings::FrameLayout;
using namespace pybind11::literals;

namespace {

BoardType typeNamed(const std::string& name) {
  if (name == "chessboard") return BoardType::kChessboard;
  if (name == "aruco-grid") return BoardType::kArucoGrid;
  if (name == "charuco") return BoardType::kCharuco;
  throw py::value_error("the board's type \"" + name + "\" is none of chessboard, aruco-grid, charuco");
}

const char* typeName(BoardType type) {
  return type == BoardType::kChessboard ? "chessboard" : type == BoardType::kArucoGrid ? "aruco-grid" : "charuco";
}

// The library's refusal of a description as Python's ValueError.
template <class Call>
auto refusingAsValueError(Call&& call) {
  try {
    return call();
  } catch (const std::invalid_argument& error) {
    throw py::value_error(error.what());
  }
}

}  // namespace

void addBoardCalls(py::module_& module) {
  py::class_<BoardDescription>(module, "BoardDescription",
                               "A calibration board: type 'chessboard', 'aruco-grid' or 'charuco', columns, rows, "
                               "square, marker, separation (board units), dictionary (an OpenCV predefined "
                               "dictionary's name) and firstId (first_id in a board description file).")
      .def(py::init([](const std::string& type, int columns, int rows, double square, double marker, double separation,
                       const std::string& dictionary, int firstId) {
             const BoardDescription board{typeNamed(type), columns,    rows,       square,
                                          marker,          separation, dictionary, firstId};
             refusingAsValueError([&] {
               checkBoardDescription(board);
               return 0;
             });
             return board;
           }),
           "type"_a, "columns"_a, "rows"_a, "square"_a = 0.0, "marker"_a = 0.0, "separation"_a = 0.0,
           "dictionary"_a = "", "firstId"_a = 0,
           "Raises ValueError, naming the key, for a description that cannot be a board.")
      .def_property_readonly("type", [](const BoardDescription& b) { return typeName(b.type); })
      .def_readonly("columns", &BoardDescription::columns)
      .def_readonly("rows", &BoardDescription::rows)
      .def_readonly("square", &BoardDescription::square)
      .def_readonly("marker", &BoardDescription::marker)
      .def_readonly("separation", &BoardDescription::separation)
      .def_readonly("dictionary", &BoardDescription::dictionary)
      .def_readonly("firstId", &BoardDescription::firstId)
      .def("__repr__", [](const BoardDescription& b) { return "<BoardDescription " + describeBoard(b) + ">"; });
  module.def(
      "readBoardDescription",
      [](const std::string& path) { return refusingAsValueError([&] { return readBoardDescription(path); }); },
      "path"_a,
      "readBoardDescription(path) -> BoardDescription\n\nReads a board description file; raises ValueError "
      "naming the "
      "key "
      "for one that cannot be a board.");
  module.def(
      "findBoardView",
      [](const py::object& image, const BoardDescription& board) {
        const cv::Mat frame = frameView(image, "image", FrameLayout::GreyOrColour);
        return refusingAsValueError([&] { return withoutGil([&] { return findBoardView(frame, board); }); });
      },
      "image"_a, "board"_a,
      "findBoardView(image, board) -> BoardView\n\n"
      "A BoardView for calibrateCameraFromViews, which unpacks as (found, boardPoints, imagePoints, misfit). "
      "A chessboard is looked for only when chessboardMayBeThere finds it may be there, so a frame without "
      "one is answered within a second.\n"
      "The board's points in an H x W or H x W x 3 uint8 frame: lists of (x, y, z) board units and (x, y) "
      "pixels. "
      "misfit says what was seen when the markers or chessboard found cannot be the described board.");
}

}  // namespace talmeq::python
