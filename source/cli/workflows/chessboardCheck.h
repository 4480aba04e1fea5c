// A quick look for the chessboard before calibChess runs: on an image
// without a board, the library's full search takes more than a minute on a
// 1.3-megapixel frame and many minutes on a large one, while this check
// answers in well under a second.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::cli {

// False when the 17 x 12 inner-corner board cannot be in `image` (BGR):
// cv::checkChessboard on a grey copy reduced to at most 1280 pixels on its
// longer side.
bool chessboardMayBeThere(const cv::Mat& image);

}  // namespace talmeq::cli
