// `talmeq calib-chess IMAGE --out CAMERA.yml` and `talmeq calib-aruco
// IMAGE... --out CAMERA.yml`: the camera matrix and distortion coefficients
// from a chessboard image or from ArUco board views, written as a camera file
// with the warnings about the calibration; `--annotate` draws the detected
// corners with magnified reprojection errors.
#include <memory>

#include "cameraFile.h"
#include "cameraWarnings.h"
#include "cameraWorkflow.h"
#include "chessboardCheck.h"
#include "commands.h"
#include "cornerAnnotation.h"
#include "failures.h"
#include "imageFiles.h"
#include "imageRows.h"
#include "outputFiles.h"
#include "outputPaths.h"
#include "terminal.h"

namespace talmeq::cli {
namespace {

const std::vector<std::string> kCameraFileExtensions{".yml", ".yaml", ".xml", ".json", ".gz"};

struct CameraOptions {
  std::vector<std::string> images;
  std::string out;
  std::string annotate;
  bool skipBoardCheck = false;  // calib-chess
};

struct CalibratedViews {
  CameraCalibration camera;
  std::vector<std::string> names;        // the image of each view used
  std::vector<cv::Mat> images;           // kept for the annotations
  std::vector<std::string> annotations;  // where each view's picture goes; empty for none
};

nlohmann::json cameraJson(const CameraCalibration& c) {
  const cv::Mat& k = c.cameraMatrix;
  return {{"fx", k.at<double>(0, 0)},
          {"fy", k.at<double>(1, 1)},
          {"cx", k.at<double>(0, 2)},
          {"cy", k.at<double>(1, 2)},
          {"distortion", std::vector<double>(c.distCoeffs.begin<double>(), c.distCoeffs.end<double>())},
          {"imageWidth", c.imageSize.width},
          {"imageHeight", c.imageSize.height},
          {"rms", c.reprojection ? nlohmann::json(c.reprojection->rms) : nlohmann::json()}};
}

// The camera file, with the warnings appended as "calibration_warnings".
void writeCameraFile(const std::string& path, const CameraCalibration& c, const std::vector<std::string>& warnings) {
  sim::CameraFile file{c.cameraMatrix, c.distCoeffs, c.imageSize, std::nullopt};
  if (c.reprojection) file.rms = c.reprojection->rms;
  replaceFile(path, [&](const std::string& temporary) {
    if (!sim::writeCameraFile(temporary, file)) return false;
    if (warnings.empty()) return true;
    cv::FileStorage storage(temporary, cv::FileStorage::APPEND);
    if (!storage.isOpened()) return false;
    storage << "calibration_warnings" << "[";
    for (const std::string& warning : warnings) storage << warning;
    storage << "]";
    storage.release();
    return true;
  });
}

void finish(const CalibratedViews& v, const CameraOptions& options, Session& session) {
  const CameraCalibration& c = v.camera;
  const std::vector<std::string> warnings = cameraWarnings(c, v.names);
  writeCameraFile(options.out, c, warnings);
  const cv::Mat& k = c.cameraMatrix;
  const cv::Mat d = c.distCoeffs.reshape(1, 1);
  Table table{{"fx", "fy", "cx", "cy", "k1", "k2", "p1", "p2", "k3", "rms (px)"}, {}};
  table.rows.push_back({fixed(k.at<double>(0, 0), 2), fixed(k.at<double>(1, 1), 2), fixed(k.at<double>(0, 2), 2),
                        fixed(k.at<double>(1, 2), 2), fixed(d.at<double>(0), 5), fixed(d.at<double>(1), 5),
                        fixed(d.at<double>(2), 5), fixed(d.at<double>(3), 5), fixed(d.at<double>(4), 5),
                        c.reprojection ? fixed(c.reprojection->rms, 4) : "-"});
  session.output.table(table);
  for (const std::string& warning : warnings) session.output.warn(warning);
  session.output.line("camera (" + std::to_string(c.imageSize.width) + " x " + std::to_string(c.imageSize.height) +
                      ") -> " + options.out);
  session.output.document().update({{"camera", cameraJson(c)}, {"out", options.out}});
  if (options.annotate.empty() || !c.reprojection) return;
  nlohmann::json written = nlohmann::json::array();
  for (std::size_t i = 0; i < v.annotations.size() && i < c.reprojection->views.size(); ++i) {
    writeImage(v.annotations[i], annotateCorners(v.images[i], c.reprojection->views[i], c.reprojection->rms));
    written.push_back(v.annotations[i]);
  }
  session.output.document()["annotations"] = written;
}

void checkArguments(const CameraOptions& options) {
  for (const std::string& path : options.images) requireExistingFile(path);
  requireExtension(options.out, kCameraFileExtensions, "--out");
  std::vector<std::string> outputs = annotationPaths(options.images, options.annotate);
  outputs.push_back(options.out);
  refuseOverlaps(outputs, options.images);
}

nlohmann::json viewRow(const std::string& image, int markers, const std::string& reason) {
  nlohmann::json row = nullKeys({"image", "markers", "reason"});
  row["image"] = image;
  if (markers >= 0) row["markers"] = markers;
  if (!reason.empty()) row["reason"] = reason;
  return row;
}

void runChess(const CameraOptions& options, Session& session) {
  checkArguments(options);
  const std::string& path = options.images.front();
  const cv::Mat image = readImage(path);
  if (!options.skipBoardCheck && !chessboardMayBeThere(image))
    throw WorkFailure(path + ": no 17 x 12 chessboard can be seen (quick check); calibChess was not called");
  CalibratedViews v;
  {
    const ElapsedTime elapsed("calibChess: looking for the 17 x 12 chessboard");
    v.camera = calibrateFromChessboard(image, path);
  }
  v.names = {path};
  v.images = {image};
  v.annotations = annotationPaths(options.images, options.annotate);
  ImageRows rows(session, "chess", options.images, {"corners"}, {7});
  const int corners = v.camera.views.empty() ? -1 : static_cast<int>(v.camera.views.front().found.size());
  rows.add(path, {corners < 0 ? "-" : std::to_string(corners)}, viewRow(path, corners, {}), {});
  finish(v, options, session);
}

void runAruco(const CameraOptions& options, Session& session) {
  checkArguments(options);
  ImageRows rows(session, "markers", options.images, {"markers", "note"}, {7, 0});
  const std::vector<std::string> annotations = annotationPaths(options.images, options.annotate);
  std::vector<MarkerView> views;
  CalibratedViews v;
  for (std::size_t i = 0; i < options.images.size(); ++i) {
    const std::string& path = options.images[i];
    rows.next(path);
    ImageRead read = tryReadImage(path);
    if (read.problem.empty() && v.camera.imageSize.empty()) v.camera.imageSize = read.image.size();
    if (read.problem.empty() && read.image.size() != v.camera.imageSize)
      read.problem = "the image size differs from the first image's";
    MarkerView view;
    try {
      if (read.problem.empty()) view = findMarkers(read.image);
    } catch (const WorkFailure& error) {
      read.problem = error.what();
    }
    const int markers = read.problem.empty() ? static_cast<int>(view.ids.size()) : -1;
    const std::string note = !read.problem.empty() ? read.problem : markers == 0 ? "no marker: left out" : "";
    rows.add(path, {markers < 0 ? "-" : std::to_string(markers), note}, viewRow(path, markers, read.problem),
             read.problem);
    if (markers <= 0) continue;
    views.push_back(std::move(view));
    v.names.push_back(path);
    v.images.push_back(read.image);
    v.annotations.push_back(annotations[i]);
  }
  const cv::Size size = v.camera.imageSize;
  v.camera = calibrateFromMarkers(views, size);
  finish(v, options, session);
  rows.raiseIfAny();
}

Command addCameraCommand(CLI::App& app, const char* name, const char* help, const char* imagesHelp,
                         void (*run)(const CameraOptions&, Session&), bool oneImage) {
  auto options = std::make_shared<CameraOptions>();
  CLI::App* cmd = app.add_subcommand(name, help);
  CLI::Option* images = cmd->add_option(oneImage ? "image" : "images", options->images, imagesHelp)->required();
  if (oneImage) images->expected(1);
  cmd->add_option("--out", options->out,
                  "Camera file to write (.yml, .yaml, .xml or .json: camera_matrix, distortion_coefficients, ...)")
      ->required();
  cmd->add_option("--annotate", options->annotate,
                  "Draw the detected corners and their reprojection errors (magnified) into this image file")
      ->default_str("none");
  if (oneImage)
    cmd->add_flag("--skip-board-check", options->skipBoardCheck,
                  "Call calibChess even when the quick check sees no chessboard (default: off)");
  return {cmd, nullKeys({"images", "camera", "out", "annotations"}),
          [options, run](Session& session) { run(*options, session); }};
}

}  // namespace

Command addCalibChessCommand(CLI::App& app) {
  return addCameraCommand(app, "calib-chess", "Calibrate the camera from one chessboard image (calibChess)",
                          "Image of the 17 x 12 inner-corner chessboard", runChess, true);
}

Command addCalibArucoCommand(CLI::App& app) {
  return addCameraCommand(app, "calib-aruco", "Calibrate the camera from ArUco board views (getArucoCorners, calibAruco)",
                          "Views of the 9 x 6 DICT_6X6_250 grid board", runAruco, false);
}

}  // namespace talmeq::cli
