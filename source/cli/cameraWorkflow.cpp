// Camera calibration of the tool (see cameraWorkflow.h).
#include "cameraWorkflow.h"

#include <talmeqAlgorithm.h>

#include "failures.h"
#include "imageFiles.h"
#include "libraryCall.h"
#include "resultCodes.h"
#include "terminal.h"

namespace talmeq::cli {

CameraCalibration calibrateFromChessboard(const std::string& imagePath) {
  const cv::Mat image = readImage(imagePath);
  CameraCalibration result;
  result.imageSize = image.size();
  const int code =
      callExport("calibChess", [&] { return calibChess(image, result.cameraMatrix, result.distCoeffs); });
  requireSuccess("calibChess", code, imagePath);
  if (const std::optional<BoardView> view = chessBoardView(image)) {
    result.markers.push_back(static_cast<int>(view->found.size()));
    result.reprojection = reproject({*view}, result.cameraMatrix, result.distCoeffs);
  }
  return result;
}

CameraCalibration calibrateFromArucoViews(const std::vector<std::string>& imagePaths) {
  for (const std::string& path : imagePaths) requireExistingFile(path);
  std::vector<std::vector<std::vector<cv::Point2f>>> allCorners;
  std::vector<std::vector<int>> allIds;
  CameraCalibration result;
  Progress progress("markers", imagePaths.size());
  for (const std::string& path : imagePaths) {
    progress.step(path);
    const cv::Mat image = readImage(path);
    if (result.imageSize.empty()) result.imageSize = image.size();
    if (image.size() != result.imageSize)
      throw UsageError("image size differs from the first image's: " + path);
    std::vector<int> ids;
    std::vector<std::vector<cv::Point2f>> corners;
    const int code = callExport("getArucoCorners", [&] { return getArucoCorners(image, ids, corners); });
    if (code != 0 && code != -1) requireSuccess("getArucoCorners", code, path);
    result.markers.push_back(static_cast<int>(ids.size()));
    if (ids.empty()) continue;  // a view without markers cannot take part
    allCorners.push_back(corners);
    allIds.push_back(ids);
  }
  if (allCorners.empty()) throw LibraryFailure("getArucoCorners found no marker in any image");
  const int code = callExport("calibAruco", [&] {
    return calibAruco(allCorners, allIds, result.imageSize, result.cameraMatrix, result.distCoeffs);
  });
  requireSuccess("calibAruco", code);
  std::vector<BoardView> views;
  for (std::size_t i = 0; i < allCorners.size(); ++i)
    views.push_back(arucoBoardView(allCorners[i], allIds[i]));
  result.reprojection = reproject(views, result.cameraMatrix, result.distCoeffs);
  return result;
}

}  // namespace talmeq::cli
