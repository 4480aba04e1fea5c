// How well a calibrated camera explains the board points it was calibrated
// from: each view's board pose is solved with the camera fixed, the board
// points are projected back, and the distances to the detected points give
// the residuals and their root mean square. Also finds the board points of
// the two targets (the library's exports do not hand them out).
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

namespace talmeq::cli {

// Board points (board units, z = 0) and where they were detected (pixels).
struct BoardView {
  std::vector<cv::Point3f> board;
  std::vector<cv::Point2f> found;
};

struct ViewResiduals {
  std::vector<cv::Point2f> found;
  std::vector<cv::Point2f> projected;
};

struct Reprojection {
  std::vector<ViewResiduals> views;
  double rms = 0.0;  // pixels, over every point of every view
};

// A view whose pose cannot be solved contributes no residuals.
Reprojection reproject(const std::vector<BoardView>& views, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs);

// The 17 x 12 inner corners of the pitch-15 chessboard as the station layer
// finds and refines them; nothing when the full pattern is not found.
std::optional<BoardView> chessBoardView(const cv::Mat& image);

// The corners of detected markers matched to the 9 x 6 DICT_6X6_250 grid
// board (marker 200, separation 100).
BoardView arucoBoardView(const std::vector<std::vector<cv::Point2f>>& corners, const std::vector<int>& ids);

}  // namespace talmeq::cli
