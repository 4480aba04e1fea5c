// `talmeq undistort IMAGE --camera FILE [--size WxH] --out FILE` (undistAruco)
// and `talmeq correct-thickness IMAGE --camera FILE --thickness T --out FILE`
// (getCorrectImgByThickness): corrected images from a camera file.
#include <talmeqAlgorithm.h>

#include <cmath>
#include <memory>
#include <regex>

#include "cameraFile.h"
#include "commands.h"
#include "failures.h"
#include "imageFiles.h"
#include "libraryCall.h"
#include "resultCodes.h"

namespace talmeq::cli {
namespace {

struct CorrectionOptions {
  std::string image;
  std::string camera;
  std::string out;
  std::string size;        // undistort: "WxH", empty for the image's size
  double thickness = 0.0;  // correct-thickness
};

sim::CameraFile loadCamera(const std::string& path) {
  requireExistingFile(path);
  sim::CameraFile camera;
  if (!sim::readCameraFile(path, camera)) throw UsageError("not a readable camera file: " + path);
  if (camera.cameraMatrix.size() != cv::Size(3, 3) || camera.cameraMatrix.type() != CV_64F)
    throw UsageError(path + ": camera_matrix must be a 3 x 3 matrix of doubles");
  const std::size_t n = camera.distCoeffs.total();
  if (camera.distCoeffs.type() != CV_64F || !(n == 4 || n == 5 || n == 8 || n == 12 || n == 14))
    throw UsageError(path + ": distortion_coefficients must hold 4, 5, 8, 12 or 14 doubles");
  return camera;
}

cv::Size parseSize(const std::string& text, const cv::Size& fallback) {
  if (text.empty()) return fallback;
  std::smatch match;
  if (!std::regex_match(text, match, std::regex("([0-9]{1,5})x([0-9]{1,5})")))
    throw UsageError("--size must read WIDTHxHEIGHT, as 1024x768: " + text);
  const cv::Size size(std::stoi(match[1]), std::stoi(match[2]));
  if (size.width < 1 || size.height < 1) throw UsageError("--size must be at least 1x1: " + text);
  return size;
}

void finish(const CorrectionOptions& options, const cv::Mat& corrected, Session& session) {
  writeImage(options.out, corrected);
  session.output.document().update({{"image", options.image},
                                    {"camera", options.camera},
                                    {"out", options.out},
                                    {"width", corrected.cols},
                                    {"height", corrected.rows}});
  session.output.line(options.image + " -> " + options.out + " (" + std::to_string(corrected.cols) + " x " +
                      std::to_string(corrected.rows) + ")");
}

void runUndistort(const CorrectionOptions& options, Session& session) {
  requireWritableLocation(options.out);
  const sim::CameraFile camera = loadCamera(options.camera);
  const cv::Mat image = readImage(options.image);
  const cv::Size size = parseSize(options.size, image.size());
  cv::Mat corrected;
  const int code = callExport("undistAruco", [&] {
    return undistAruco(image, camera.cameraMatrix, camera.distCoeffs, size, corrected);
  });
  requireSuccess("undistAruco", code, options.image);
  finish(options, corrected, session);
}

void runThickness(const CorrectionOptions& options, Session& session) {
  if (!std::isfinite(options.thickness)) throw UsageError("--thickness must be a finite number");
  requireWritableLocation(options.out);
  const sim::CameraFile camera = loadCamera(options.camera);
  const cv::Mat image = readImage(options.image);
  cv::Mat corrected;
  const int code = callExport("getCorrectImgByThickness", [&] {
    return getCorrectImgByThickness(image, camera.cameraMatrix, camera.distCoeffs, options.thickness,
                                    corrected);
  });
  requireSuccess("getCorrectImgByThickness", code, options.image);
  session.output.document()["scale"] = (190.0 - options.thickness) / 190.0;
  finish(options, corrected, session);
}

CLI::App* addCorrectionCommand(CLI::App& app, const char* name, const char* help,
                               CorrectionOptions& options) {
  CLI::App* cmd = app.add_subcommand(name, help);
  cmd->add_option("image", options.image, "Camera image")->required();
  cmd->add_option("--camera", options.camera, "Camera file from calib-chess or calib-aruco")->required();
  cmd->add_option("--out", options.out, "Corrected image file")->required();
  return cmd;
}

}  // namespace

Command addUndistortCommand(CLI::App& app) {
  auto options = std::make_shared<CorrectionOptions>();
  CLI::App* cmd =
      addCorrectionCommand(app, "undistort", "Remove the lens distortion (undistAruco)", *options);
  cmd->add_option("--size", options->size, "Output size WIDTHxHEIGHT")->default_str("the image's size");
  return {cmd, [options](Session& session) { runUndistort(*options, session); }};
}

Command addCorrectThicknessCommand(CLI::App& app) {
  auto options = std::make_shared<CorrectionOptions>();
  CLI::App* cmd = addCorrectionCommand(app, "correct-thickness",
                                       "Undistort and scale about the principal point by (190 - T) / 190 "
                                       "(getCorrectImgByThickness)",
                                       *options);
  cmd->add_option("--thickness", options->thickness, "Thickness T, in the unit of the reference distance 190")
      ->required();
  return {cmd, [options](Session& session) { runThickness(*options, session); }};
}

}  // namespace talmeq::cli
