// Finding the targets' points in one view, refined without the bias of a
// fixed small refinement window: saddle-point refinement for the chessboard
// corners, the marker detector's sub-pixel step for the marker corners.
#include <opencv2/aruco.hpp>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include "cameraCalibration.h"
#include <talmeq/cameraCalibrationReport.h>

namespace talmeq {
namespace {

constexpr int kChessFlags = cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE;
const cv::Size kSubPixelHalfWindow(5, 5);
const cv::TermCriteria kSubPixelCriteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 100, 1e-4);

cv::Mat greyOf(const cv::Mat& image) {
  CV_Assert(!image.empty());
  CV_CheckDepthEQ(image.depth(), CV_8U, "board views must be 8-bit images");
  CV_Assert(image.channels() == 1 || image.channels() == 3);
  if (image.channels() == 1) return image;
  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  return grey;
}

BoardView chessboardView(const cv::Mat& grey) {
  BoardView view{CalibrationTarget::kChessboard, false, {}, {}};
  if (!cv::findChessboardCorners(grey, camera::kChessPattern, view.imagePoints, kChessFlags)) {
    view.imagePoints.clear();
    return view;
  }
  cv::cornerSubPix(grey, view.imagePoints, kSubPixelHalfWindow, cv::Size(-1, -1), kSubPixelCriteria);
  view.boardPoints = camera::chessObjectPoints();
  view.found = true;
  return view;
}

BoardView arucoView(const cv::Mat& grey) {
  BoardView view{CalibrationTarget::kArucoGrid, false, {}, {}};
  const cv::Ptr<cv::aruco::DetectorParameters> parameters = cv::aruco::DetectorParameters::create();
  parameters->cornerRefinementMethod = cv::aruco::CORNER_REFINE_SUBPIX;
  std::vector<int> ids;
  camera::MarkerCorners corners;
  cv::aruco::detectMarkers(grey, camera::boardDictionary(), corners, ids, parameters);
  if (corners.empty()) return view;
  cv::aruco::getBoardObjectAndImagePoints(camera::gridBoard(), corners, ids, view.boardPoints, view.imagePoints);
  view.found = !view.imagePoints.empty();
  return view;
}

}  // namespace

BoardView findBoardView(const cv::Mat& image, CalibrationTarget target) {
  const cv::Mat grey = greyOf(image);
  return target == CalibrationTarget::kChessboard ? chessboardView(grey) : arucoView(grey);
}

}  // namespace talmeq
