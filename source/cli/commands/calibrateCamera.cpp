// `talmeq calib-chess IMAGE... --out CAMERA.yml`, `talmeq calib-aruco
// IMAGE... --out CAMERA.yml` and `talmeq calib-charuco IMAGE... --board FILE
// --out CAMERA.yml`: the camera matrix and distortion coefficients from
// chessboard, ArUco grid or ChArUco board views, written as a camera file
// with the warnings about the calibration. One view of a station target
// calls the library's export; many views, and any view of a board given by
// `--board`, are calibrated through the station layer with its quality
// report and verdict; a camera from one view must pass the station layer's
// checks of any camera, or no file is written. `--annotate` draws the
// detected corners with magnified reprojection errors (and, for many views,
// a coverage map).
#include <talmeq/chessboardCheck.h>

#include <cmath>
#include <limits>

#include "cameraOutput.h"
#include "cameraWorkflow.h"
#include "commands.h"
#include "reportRow.h"
#include "terminal.h"
#include "verdictOutput.h"

namespace talmeq::cli {
namespace {

const std::vector<std::string> kCameraFileExtensions{".yml", ".yaml", ".xml", ".json", ".gz"};

struct CameraOptions {
  std::vector<std::string> images;
  std::string out;
  std::string annotate;
  bool skipBoardCheck = false;  // calib-chess
  std::string boardFile;        // --board: a board description instead of the station's target
  CalibrationThresholds thresholds;
};

// The board of the run: the description given, which must be of the
// subcommand's type, or the station's target.
BoardDescription runBoard(const CameraOptions& options, BoardType type) {
  if (options.boardFile.empty()) {
    if (type == BoardType::kCharuco) throw UsageError("--board is required: the station has no ChArUco board");
    return type == BoardType::kChessboard ? stationChessboard() : stationArucoGrid();
  }
  const BoardDescription board = readBoardFile(options.boardFile);
  if (board.type != type)
    throw UsageError(options.boardFile + ": the board's type is not the subcommand's (" + describeBoard(board) + ")");
  return board;
}

void runManyViews(const CameraOptions& options, BoardType type, Session& session) {
  runManyViewCalibration({runBoard(options, type), options.images, options.out, options.annotate, options.thresholds},
                         session);
}

void checkArguments(const CameraOptions& options) {
  for (const std::string& path : options.images) requireExistingFile(path);
  requireExtension(options.out, kCameraFileExtensions, "--out");
  std::vector<std::string> outputs = annotationPaths(options.images, options.annotate);
  outputs.push_back(options.out);
  if (options.images.size() > 1 && !options.annotate.empty()) outputs.push_back(coverageMapPath(options.annotate));
  refuseOverlaps(outputs, options.images);
}

// A camera from one view is judged by the station layer's checks of any
// camera (its rms, principal point and focal lengths): shown as the verdict,
// and when it fails, no camera file is written.
void requirePlausibleCamera(const CameraCalibration& c, const CalibrationThresholds& thresholds, Session& session) {
  const double rms = c.reviewed() ? c.review.rms : std::numeric_limits<double>::quiet_NaN();
  const std::vector<VerdictCheck> checks = cameraPlausibilityChecks(c.cameraMatrix, c.imageSize, rms, thresholds);
  const std::string failed = failedCheckNames(checks);
  showVerdict(checks, failed.empty(), session.output);
  if (failed.empty()) return;
  const cv::Mat& k = c.cameraMatrix;
  throw WorkFailure("the camera from one view is not plausible (" + failed + ": fx " +
                    decimalText(k.at<double>(0, 0), 1) + ", fy " + decimalText(k.at<double>(1, 1), 1) + ", cx " +
                    decimalText(k.at<double>(0, 2), 1) + ", cy " + decimalText(k.at<double>(1, 2), 1) + ", rms " +
                    (std::isnan(rms) ? "unknown" : decimalText(rms, 3)) + " px for " +
                    std::to_string(c.imageSize.width) + " x " + std::to_string(c.imageSize.height) +
                    " images); no camera file written");
}

void runChess(const CameraOptions& options, Session& session) {
  checkArguments(options);
  if (options.images.size() > 1 || !options.boardFile.empty())
    return runManyViews(options, BoardType::kChessboard, session);
  const std::string& path = options.images.front();
  const cv::Mat image = readImage(path);
  if (!options.skipBoardCheck && !chessboardMayBeThere(image, {stationChessboard().columns, stationChessboard().rows}))
    throw WorkFailure(path +
                      ": no chessboard of the station's 17 x 12 inner corners (as `talmeq board chess` draws it) can "
                      "be seen (quick check); calibChess was not called: give --skip-board-check to call it anyway");
  CalibratedViews v;
  {
    const ElapsedTime elapsed("calibChess: looking for the 17 x 12 chessboard");
    v.camera = calibrateFromChessboard(image, path);
  }
  v.names = {path};
  v.images = {image};
  v.annotations = annotationPaths(options.images, options.annotate);
  ImageRows rows(session, "chess", options.images, {"points"}, {7});
  const ViewQuality& view = v.camera.review.views.front();
  const int corners = view.found ? view.points : -1;
  rows.add(path, boardViewRow(path, corners, "", false), {});
  requirePlausibleCamera(v.camera, options.thresholds, session);
  finishCamera(v, options.out, session);
}

void runAruco(const CameraOptions& options, Session& session) {
  checkArguments(options);
  if (options.images.size() > 1 || !options.boardFile.empty())
    return runManyViews(options, BoardType::kArucoGrid, session);
  // One view: its row, then calibAruco on it when it shows markers that
  // can be the station's grid where they are seen.
  const std::string& path = options.images.front();
  ImageRows rows(session, "markers", options.images, {"points"}, {7});
  rows.next(path);
  ImageRead read = tryReadImage(path);
  MarkerView view;
  try {
    if (read.problem.empty()) view = findMarkers(read.image);
  } catch (const WorkFailure& error) {
    read.problem = error.what();
  }
  if (read.problem.empty() && !view.board.misfit.empty()) read.problem = "does not fit the board: " + view.board.misfit;
  const int points = read.problem.empty() ? static_cast<int>(view.board.imagePoints.size()) : -1;
  const std::string note = !read.problem.empty() ? read.problem : view.ids.empty() ? "no marker: left out" : "";
  rows.add(path, boardViewRow(path, points, note, !read.problem.empty()), read.problem);
  const bool used = read.problem.empty() && !view.ids.empty();
  if (!used) rows.raiseIfAny();
  CalibratedViews v{{}, {path}, {read.image}, annotationPaths(options.images, options.annotate)};
  v.camera = calibrateFromMarkers(used ? std::vector<MarkerView>{view} : std::vector<MarkerView>{}, read.image.size());
  requirePlausibleCamera(v.camera, options.thresholds, session);
  finishCamera(v, options.out, session);
  rows.raiseIfAny();
}

void runCharuco(const CameraOptions& options, Session& session) {
  checkArguments(options);
  runManyViews(options, BoardType::kCharuco, session);
}

// The verdict's thresholds of a many-view calibration.
void addThresholdOptions(CLI::App* cmd, CalibrationThresholds& t) {
  addNumberOption(cmd, "--max-rms", t.maxRms, "Largest reprojection RMS accepted, pixels (one view or many)");
  addNumberOption(
      cmd, "--min-coverage", t.minCoverageScore,
      "Smallest coverage score accepted: mean / deviation of views per cell of a 10 x 10 grid (many views)");
  addNumberOption(cmd, "--min-views", t.minViews, "Fewest used views accepted (many views)");
  addNumberOption(cmd, "--max-views", t.maxViews, "Most used views accepted (many views)");
  addNumberOption(cmd, "--max-uncertainty", t.maxRelativeUncertainty,
                  "Largest 1.96 sigma / value accepted for fx, fy, cx, cy (many views)");
  addNumberOption(cmd, "--max-cross-validation", t.maxCrossValidation,
                  "Largest RMS between the cameras of alternate halves of the views, pixels (many views)");
  addNumberOption(cmd, "--min-tilted-views", t.minTiltedViews,
                  "Fewest views tilted by 10 degrees or more (many views)");
  cmd->parse_complete_callback([&t] { requireOrdered(t.minViews, t.maxViews, "--min-views", "--max-views"); });
}

Command addCameraCommand(CLI::App& app, const char* name, const char* help, const char* imagesHelp,
                         void (*run)(const CameraOptions&, Session&), bool chess, const char* boardHelp) {
  auto options = std::make_shared<CameraOptions>();
  CLI::App* cmd = app.add_subcommand(name, help);
  cmd->add_option("images", options->images, imagesHelp)->required();
  cmd->add_option("--out", options->out,
                  "Camera file to write (.yml, .yaml, .xml or .json: camera_matrix, distortion_coefficients, ...)")
      ->required();
  cmd->add_option("--annotate", options->annotate,
                  "Draw the detected corners and their reprojection errors (magnified) into this image file "
                  "(one per view, named after it, and a coverage map for many views)")
      ->default_str("none");
  cmd->add_option("--board", options->boardFile,
                  "Board description file (type, columns, rows, square, marker, separation, dictionary, "
                  "first_id); views are then calibrated through the station layer")
      ->default_str(boardHelp);
  if (chess)
    cmd->add_flag("--skip-board-check", options->skipBoardCheck,
                  "Call calibChess even when the quick check sees no chessboard (one view; default: off)");
  addThresholdOptions(cmd, options->thresholds);
  return {cmd,
          nullKeys({"images", "camera", "out", "annotations", "uncertainty", "rms", "views", "coverage",
                    "crossValidation", "straightness", "verdict", "checks"}),
          [options, run](Session& session) { run(*options, session); }};
}

}  // namespace

Command addCalibChessCommand(CLI::App& app) {
  return addCameraCommand(app, "calib-chess",
                          "Calibrate the camera from chessboard views (one view: calibChess; many: with a quality "
                          "report and verdict)",
                          "Views of the chessboard (the station's 17 x 12 inner corners unless --board)", runChess,
                          true, "the station's 17 x 12 chessboard");
}

Command addCalibArucoCommand(CLI::App& app) {
  return addCameraCommand(app, "calib-aruco",
                          "Calibrate the camera from ArUco board views (one view: getArucoCorners, calibAruco; "
                          "many: with a quality report and verdict)",
                          "Views of the ArUco grid board (the station's 9 x 6 DICT_6X6_250 unless --board)", runAruco,
                          false, "the station's 9 x 6 grid");
}

Command addCalibCharucoCommand(CLI::App& app) {
  return addCameraCommand(app, "calib-charuco",
                          "Calibrate the camera from ChArUco board views described by --board, with a quality "
                          "report and verdict",
                          "Views of the ChArUco board", runCharuco, false, "required");
}

}  // namespace talmeq::cli
