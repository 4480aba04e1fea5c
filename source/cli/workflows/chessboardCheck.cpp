// The quick chessboard check (see chessboardCheck.h).
#include "chessboardCheck.h"

#include <talmeq/boardDescription.h>

#include <algorithm>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

namespace talmeq::cli {
namespace {

constexpr double kLongestSide = 1280.0;

}  // namespace

bool chessboardMayBeThere(const cv::Mat& image) {
  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  const double scale = kLongestSide / std::max(grey.cols, grey.rows);
  if (scale < 1.0) cv::resize(grey, grey, cv::Size(), scale, scale, cv::INTER_AREA);
  const BoardDescription board = stationChessboard();
  return cv::checkChessboard(grey, {board.columns, board.rows});
}

}  // namespace talmeq::cli
