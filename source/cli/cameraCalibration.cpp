// `talmeq calib-chess IMAGE --out CAMERA.yml` and `talmeq calib-aruco
// IMAGE... --out CAMERA.yml`: the camera matrix and distortion coefficients
// from a chessboard image or from ArUco board views, written as a camera file;
// `--annotate` draws the detected corners with magnified reprojection errors.
#include <memory>

#include "cameraFile.h"
#include "cameraWorkflow.h"
#include "commands.h"
#include "cornerAnnotation.h"
#include "failures.h"
#include "imageFiles.h"

namespace talmeq::cli {
namespace {

struct CameraOptions {
  std::vector<std::string> images;
  std::string out;
  std::string annotate;
};

nlohmann::json cameraJson(const CameraCalibration& c) {
  const cv::Mat& k = c.cameraMatrix;
  nlohmann::json json = {
      {"fx", k.at<double>(0, 0)},
      {"fy", k.at<double>(1, 1)},
      {"cx", k.at<double>(0, 2)},
      {"cy", k.at<double>(1, 2)},
      {"distortion", std::vector<double>(c.distCoeffs.begin<double>(), c.distCoeffs.end<double>())},
      {"imageWidth", c.imageSize.width},
      {"imageHeight", c.imageSize.height}};
  if (c.reprojection) json["rms"] = c.reprojection->rms;
  return json;
}

void reportCamera(const CameraCalibration& c, const CameraOptions& options, Session& session) {
  const cv::Mat& k = c.cameraMatrix;
  const cv::Mat d = c.distCoeffs.reshape(1, 1);
  Table table{{"fx", "fy", "cx", "cy", "k1", "k2", "p1", "p2", "k3", "rms (px)"}, {}};
  table.rows.push_back({fixed(k.at<double>(0, 0), 2), fixed(k.at<double>(1, 1), 2),
                        fixed(k.at<double>(0, 2), 2), fixed(k.at<double>(1, 2), 2), fixed(d.at<double>(0), 5),
                        fixed(d.at<double>(1), 5), fixed(d.at<double>(2), 5), fixed(d.at<double>(3), 5),
                        fixed(d.at<double>(4), 5), c.reprojection ? fixed(c.reprojection->rms, 4) : "-"});
  session.output.table(table);
  session.output.line("camera (" + std::to_string(c.imageSize.width) + " x " +
                      std::to_string(c.imageSize.height) + ") -> " + options.out);
  session.output.document().update({{"camera", cameraJson(c)}, {"out", options.out}, {"markers", c.markers}});
}

void writeOutputs(const CameraCalibration& c, const CameraOptions& options, Session& session) {
  sim::CameraFile file{c.cameraMatrix, c.distCoeffs, c.imageSize, std::nullopt};
  if (c.reprojection) file.rms = c.reprojection->rms;
  if (!sim::writeCameraFile(options.out, file)) throw UsageError("cannot write file: " + options.out);
  reportCamera(c, options, session);
  const std::vector<std::string> annotations = annotationPaths(options.images, options.annotate);
  if (options.annotate.empty() || !c.reprojection) return;
  std::size_t view = 0;
  nlohmann::json written = nlohmann::json::array();
  for (std::size_t i = 0; i < options.images.size(); ++i) {
    if (c.markers[i] == 0) continue;
    const ViewResiduals& residuals = c.reprojection->views[view++];
    writeImage(annotations[i], annotateCorners(readImage(options.images[i]), residuals, c.reprojection->rms));
    written.push_back(annotations[i]);
  }
  session.output.document()["annotations"] = written;
}

void checkOutputs(const CameraOptions& options) {
  requireWritableLocation(options.out);
  annotationPaths(options.images, options.annotate);
}

void addSharedOptions(CLI::App& cmd, CameraOptions& options) {
  cmd.add_option("--out", options.out,
                 "Camera file to write (YAML: camera_matrix, distortion_coefficients, ...)")
      ->required();
  cmd.add_option("--annotate", options.annotate,
                 "Draw the detected corners and their reprojection errors (magnified) into this image file")
      ->default_str("none");
}

}  // namespace

Command addCalibChessCommand(CLI::App& app) {
  auto options = std::make_shared<CameraOptions>();
  CLI::App* cmd =
      app.add_subcommand("calib-chess", "Calibrate the camera from one chessboard image (calibChess)");
  cmd->add_option("image", options->images, "Image of the 17 x 12 inner-corner chessboard")
      ->required()
      ->expected(1);
  addSharedOptions(*cmd, *options);
  return {cmd, [options](Session& session) {
            checkOutputs(*options);
            writeOutputs(calibrateFromChessboard(options->images.front()), *options, session);
          }};
}

Command addCalibArucoCommand(CLI::App& app) {
  auto options = std::make_shared<CameraOptions>();
  CLI::App* cmd = app.add_subcommand("calib-aruco",
                                     "Calibrate the camera from ArUco board views "
                                     "(getArucoCorners, calibAruco)");
  cmd->add_option("images", options->images, "Views of the 9 x 6 DICT_6X6_250 grid board")->required();
  addSharedOptions(*cmd, *options);
  return {cmd, [options](Session& session) {
            checkOutputs(*options);
            writeOutputs(calibrateFromArucoViews(options->images), *options, session);
          }};
}

}  // namespace talmeq::cli
