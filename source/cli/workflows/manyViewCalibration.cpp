// Many-view camera calibration through the station layer (see
// manyViewCalibration.h).
#include "manyViewCalibration.h"

#include <algorithm>

#include "calibrationReportOutput.h"
#include "cameraOutput.h"
#include "coverageMap.h"
#include "failures.h"
#include "imageFiles.h"
#include "imageRows.h"
#include "outputFiles.h"
#include "outputPaths.h"
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
  v.camera.viewCount = static_cast<std::size_t>(report.usedViews);
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

std::string coverageMapPath(const std::string& annotate) { return withStemSuffix(annotate, "coverage"); }

void runManyViewCalibration(const ManyViewOptions& options, Session& session) {
  ImageRows rows(session, "views", options.images, {"points", "note"}, {7, 0});
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
  finishCamera(v, options.out, session,
               [&](cv::FileStorage& storage) { writeReportKeys(storage, report, options.board); });
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
