// Reprojection residuals and board points (see reprojection.h).
#include "reprojection.h"

#include <cameraCalibration.h>
#include <talmeq/cameraCalibrationReport.h>

#include <cmath>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

namespace talmeq::cli {

Reprojection reproject(const std::vector<BoardView>& views, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs) {
  Reprojection result;
  double squares = 0.0;
  std::size_t count = 0;
  for (const BoardView& view : views) {
    ViewResiduals residuals{view.found, {}};
    cv::Vec3d rvec, tvec;
    try {
      if (view.board.size() >= 4 && cv::solvePnP(view.board, view.found, cameraMatrix, distCoeffs, rvec, tvec))
        cv::projectPoints(view.board, rvec, tvec, cameraMatrix, distCoeffs, residuals.projected);
    } catch (const cv::Exception&) {
      residuals.projected.clear();  // a degenerate view: no pose, so no residuals of its own
    }
    for (std::size_t i = 0; i < residuals.projected.size(); ++i) {
      const cv::Point2f d = residuals.projected[i] - residuals.found[i];
      squares += d.dot(d);
      ++count;
    }
    result.views.push_back(residuals);
  }
  result.rms = count > 0 ? std::sqrt(squares / static_cast<double>(count)) : 0.0;
  return result;
}

std::optional<BoardView> chessBoardView(const cv::Mat& image) {
  talmeq::BoardView view = findBoardView(image, CalibrationTarget::kChessboard);
  if (!view.found) return std::nullopt;
  return BoardView{std::move(view.boardPoints), std::move(view.imagePoints)};
}

BoardView arucoBoardView(const std::vector<std::vector<cv::Point2f>>& corners, const std::vector<int>& ids) {
  BoardView view;
  aruco_api::matchGridBoardPoints(camera::gridBoard(), corners, ids, view.board, view.found);
  return view;
}

}  // namespace talmeq::cli
