// Board descriptions behind the C interface: a description file read into
// the plain struct, and a described board's points found in an image.
#include <talmeq/precision.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "guardedCall.h"
#include "imageArguments.h"

using talmeq::bindings::FrameLayout;
using namespace talmeq::capi;

static_assert(TALMEQ_BOARD_CHESSBOARD == int(talmeq::BoardType::kChessboard) &&
              TALMEQ_BOARD_ARUCO_GRID == int(talmeq::BoardType::kArucoGrid) &&
              TALMEQ_BOARD_CHARUCO == int(talmeq::BoardType::kCharuco));

namespace {

talmeq::BoardDescription fromC(const talmeq_board* board) {
  require(board != nullptr, "board is missing");
  require(board->type >= TALMEQ_BOARD_CHESSBOARD && board->type <= TALMEQ_BOARD_CHARUCO, "board type is unknown");
  require(std::memchr(board->dictionary, 0, sizeof board->dictionary) != nullptr, "board dictionary is not terminated");
  return {static_cast<talmeq::BoardType>(board->type),
          board->columns,
          board->rows,
          board->square,
          board->marker,
          board->separation,
          board->dictionary,
          board->firstId};
}

// A refused description is a malformed argument, its sentence the last error.
template <class Call>
void refusingAsInvalid(Call&& call) {
  try {
    call();
  } catch (const std::invalid_argument& error) {
    throw InvalidArgument(error.what());
  }
}

}  // namespace

int talmeq_readBoard(const char* path, talmeq_board* board) {
  return guardedCall([&] {
    require(path != nullptr && board != nullptr, "path or board is missing");
    talmeq::BoardDescription read;
    refusingAsInvalid([&] { read = talmeq::readBoardDescription(path); });
    require(read.dictionary.size() < sizeof board->dictionary, "board dictionary name is too long");
    *board = {static_cast<int>(read.type),
              read.columns,
              read.rows,
              read.square,
              read.marker,
              read.separation,
              {},
              read.firstId};
    std::memcpy(board->dictionary, read.dictionary.c_str(), read.dictionary.size() + 1);
    return 0;
  });
}

int talmeq_findBoardPoints(const talmeq_image* image, const talmeq_board* board, talmeq_point2d* imagePoints,
                           talmeq_point2d* boardPoints, int capacity, int* count, char* misfit, int misfitCapacity) {
  return guardedCall([&] {
    require(count != nullptr && capacity >= 0 && (capacity == 0 || (imagePoints != nullptr && boardPoints != nullptr)),
            "count or the point arrays are missing");
    const talmeq::BoardDescription description = fromC(board);
    refusingAsInvalid([&] { talmeq::checkBoardDescription(description); });
    const talmeq::BoardView view = talmeq::findBoardView(inputImage(image, FrameLayout::GreyOrColour), description);
    *count = view.found ? static_cast<int>(view.imagePoints.size()) : 0;
    // Capacity 0 asks for the room needed: count holds it, nothing else is written.
    require(capacity == 0 || *count <= capacity,
            "capacity is smaller than the points found (count holds their number)");
    for (int i = 0; capacity > 0 && i < *count; ++i) {
      imagePoints[i] = {view.imagePoints[static_cast<std::size_t>(i)].x,
                        view.imagePoints[static_cast<std::size_t>(i)].y};
      boardPoints[i] = {view.boardPoints[static_cast<std::size_t>(i)].x,
                        view.boardPoints[static_cast<std::size_t>(i)].y};
    }
    if (misfit != nullptr && misfitCapacity > 0) {
      const std::size_t length = std::min(view.misfit.size(), static_cast<std::size_t>(misfitCapacity - 1));
      std::memcpy(misfit, view.misfit.data(), length);
      misfit[length] = '\0';
    }
    return view.found ? 0 : TALMEQ_BOARD_NOT_FOUND;
  });
}
