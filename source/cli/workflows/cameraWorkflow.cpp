// Camera calibration of the tool (see cameraWorkflow.h).
#include "cameraWorkflow.h"

#include <talmeqAlgorithm.h>

#include "failures.h"
#include "imageFiles.h"
#include "libraryCall.h"
#include "resultCodes.h"

namespace talmeq::cli {

MarkerView findMarkers(const cv::Mat& image) {
  MarkerView view;
  const int code = callExport("getArucoCorners", [&] { return getArucoCorners(image, view.ids, view.corners); });
  if (code != 0 && code != -1) requireSuccess("getArucoCorners", code);
  if (!view.ids.empty())
    view.board = callExport("findBoardView", [&] { return findBoardView(image, CalibrationTarget::kArucoGrid); });
  return view;
}

CameraCalibration calibrateFromMarkers(const std::vector<MarkerView>& views, cv::Size imageSize) {
  if (views.empty()) throw WorkFailure("getArucoCorners found no marker in any image");
  std::vector<std::vector<std::vector<cv::Point2f>>> allCorners;
  std::vector<std::vector<int>> allIds;
  for (const MarkerView& view : views) {
    allCorners.push_back(view.corners);
    allIds.push_back(view.ids);
  }
  CameraCalibration result;
  result.imageSize = imageSize;
  result.viewCount = views.size();
  const int code = callExport(
      "calibAruco", [&] { return calibAruco(allCorners, allIds, imageSize, result.cameraMatrix, result.distCoeffs); });
  requireSuccess("calibAruco", code);
  std::vector<BoardView> boards;
  for (const MarkerView& view : views) boards.push_back(view.board);
  result.review = reviewCamera(boards, imageSize, result.cameraMatrix, result.distCoeffs);
  return result;
}

CameraCalibration calibrateFromChessboard(const cv::Mat& image, const std::string& path) {
  CameraCalibration result;
  result.imageSize = image.size();
  result.viewCount = 1;
  const int code = callExport("calibChess", [&] { return calibChess(image, result.cameraMatrix, result.distCoeffs); });
  requireSuccess("calibChess", code, path);
  const BoardView view =
      callExport("findBoardView", [&] { return findBoardView(image, CalibrationTarget::kChessboard); });
  result.review = reviewCamera({view}, result.imageSize, result.cameraMatrix, result.distCoeffs);
  return result;
}

CameraCalibration calibrateFromArucoImages(const std::vector<std::string>& paths) {
  std::vector<MarkerView> views;
  cv::Size size;
  for (const std::string& path : paths) {
    const cv::Mat image = readImage(path);
    if (size.empty()) size = image.size();
    if (image.size() != size) throw UsageError(path + ": the image size differs from the first image's");
    MarkerView view = findMarkers(image);
    if (!view.ids.empty()) views.push_back(std::move(view));
  }
  return calibrateFromMarkers(views, size);
}

}  // namespace talmeq::cli
