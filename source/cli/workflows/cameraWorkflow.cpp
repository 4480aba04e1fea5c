// Camera calibration of the tool, from one view or many (see
// cameraWorkflow.h).
#include "cameraWorkflow.h"

#include <talmeq/annotations.h>
#include <talmeq/explanations.h>
#include <talmeqAlgorithm.h>

#include <algorithm>

#include "cameraOutput.h"
#include "failures.h"
#include "imageFiles.h"
#include "outputFiles.h"
#include "reportRow.h"
#include "verdictOutput.h"

namespace talmeq::cli {
namespace {

struct ReadViews {
  std::vector<std::string> names;  // every readable view, in order
  std::vector<cv::Mat> images;
  std::vector<std::string> annotations;
  std::vector<talmeq::BoardView> views;  // the station's board points of each
  cv::Size imageSize;
};

// Reads every image and finds its board points, one row per image.
ReadViews readViews(const ManyViewOptions& options, ImageRows& rows) {
  const std::vector<std::string> annotations = annotationPaths(options.images, options.annotate);
  ReadViews read;
  for (std::size_t i = 0; i < options.images.size(); ++i) {
    const std::string& path = options.images[i];
    rows.next(path);
    ImageRead image = tryReadImage(path);
    if (image.problem.empty() && read.imageSize.empty()) read.imageSize = image.image.size();
    if (image.problem.empty() && image.image.size() != read.imageSize)
      image.problem = "the image size differs from the first image's";
    talmeq::BoardView view;
    try {
      if (image.problem.empty()) view = findBoardView(image.image, options.board);
    } catch (const cv::Exception& error) {
      image.problem = std::string("OpenCV: ") + error.what();
    }
    const int points = image.problem.empty() ? static_cast<int>(view.imagePoints.size()) : -1;
    const std::string note = !image.problem.empty() ? image.problem
                             : view.found           ? ""
                             : !view.misfit.empty() ? "does not fit the board: " + view.misfit
                                                    : "no board: left out";
    rows.add(path, boardViewRow(path, points, note, !image.problem.empty() || !view.misfit.empty()), image.problem);
    if (!image.problem.empty()) continue;
    read.names.push_back(path);
    read.images.push_back(image.image);
    read.annotations.push_back(annotations[i]);
    read.views.push_back(std::move(view));
  }
  return read;
}

// The tool's view of the station's calibration: the camera, and each found
// view's points and residuals for the warnings and the pictures.
CalibratedViews calibratedViews(const CameraCalibrationReport& report, ReadViews& read) {
  CalibratedViews v;
  v.camera.cameraMatrix = report.cameraMatrix;
  v.camera.distCoeffs = report.distCoeffs;
  v.camera.imageSize = report.imageSize;
  v.camera.viewCount = report.usedViews;
  v.camera.review = report;
  v.names = std::move(read.names);
  v.images = std::move(read.images);
  v.annotations = std::move(read.annotations);
  return v;
}

// Why no view can be calibrated: the board was not seen, or what was seen
// cannot be it.
std::string noViewReason(const std::vector<talmeq::BoardView>& views, const BoardDescription& board) {
  const auto misfit =
      std::find_if(views.begin(), views.end(), [](const talmeq::BoardView& v) { return !v.misfit.empty(); });
  if (misfit == views.end()) return "no view shows the " + describeBoard(board);
  return "no view fits the " + describeBoard(board) + " (" + misfit->misfit + "); no camera file written";
}

}  // namespace

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
  result.viewCount = static_cast<int>(views.size());
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

std::string coverageMapPath(const std::string& annotate) { return withStemSuffix(annotate, "coverage"); }

void runManyViewCalibration(const ManyViewOptions& options, Session& session) {
  ImageRows rows(session, "views", options.images, {"points"}, {7});
  ReadViews read = readViews(options, rows);
  if (std::none_of(read.views.begin(), read.views.end(), [](const talmeq::BoardView& v) { return v.found; }))
    throw WorkFailure(noViewReason(read.views, options.board));
  const CameraCalibrationReport report = [&] {
    try {
      return calibrateCameraFromViews(read.views, read.imageSize, options.thresholds);
    } catch (const cv::Exception& error) {
      throw WorkFailure(std::string("the calibration failed: OpenCV: ") + error.what());
    }
  }();
  showCalibrationReport(report, read.names, session.output);
  const CalibratedViews v = calibratedViews(report, read);
  finishCamera(v, options.out, session, &options.board);
  if (!options.annotate.empty()) {
    const std::string map = coverageMapPath(options.annotate);
    writeImage(map, drawCoverageMap(report));
    session.output.document()["annotations"].push_back(map);
  }
  rows.raiseIfAny();
  if (!report.accepted)
    throw WorkFailure("the calibration failed its verdict (" + failedCheckNames(report.checks) + "); " + options.out +
                      " records it");
}

}  // namespace talmeq::cli
