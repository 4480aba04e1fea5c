// The quick chessboard check (see talmeq/chessboardCheck.h).
#include <talmeq/chessboardCheck.h>

#include <algorithm>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

namespace talmeq::detail {
namespace {

// cv::checkChessboard's time grows with the area; at this size it stays
// well under a second while a board that fills a fair part of the frame
// keeps squares of several pixels.
constexpr double kLongestSide = 1280.0;

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

bool chessboardMayBeThere(const cv::Mat& image, cv::Size innerCorners) {
  if (image.empty() || image.depth() != CV_8U)
    CV_Error(cv::Error::StsBadArg, "chessboardMayBeThere: image must be a non-empty 8-bit image");
  cv::Mat grey;
  if (image.channels() == 1)
    grey = image;
  else
    cv::cvtColor(image, grey, image.channels() == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY);
  const double scale = detail::kLongestSide / std::max(grey.cols, grey.rows);
  if (scale < 1.0) cv::resize(grey, grey, cv::Size(), scale, scale, cv::INTER_AREA);
  return cv::checkChessboard(grey, innerCorners);
}

}  // namespace talmeq
