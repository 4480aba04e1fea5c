// A quick look for a chessboard before the long search for its corners.
// On a frame without a board, the corner search (findBoardView, and the
// export calibChess) can take tens of seconds on a 1024 x 768 frame and
// minutes on a larger one, and the calling thread cannot be stopped; this
// check answers within a second. findBoardView runs it on every chessboard
// view; a host runs it before calibChess. Part of precision.h.
#pragma once

#include <talmeq/export.h>

#include <opencv2/core.hpp>

namespace talmeq {

// False when a chessboard of `innerCorners` (columns x rows) cannot be in
// the 8-bit image (one, three or four channels): cv::checkChessboard on a
// grey copy reduced to at most 1280 pixels on its longer side. True does not
// promise that the corners will be found. Raises cv::Exception (StsBadArg)
// for an empty image or one that is not 8-bit.
TALMEQ_EXPORT bool chessboardMayBeThere(const cv::Mat& image, cv::Size innerCorners);

}  // namespace talmeq
