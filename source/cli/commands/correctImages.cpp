// `talmeq undistort IMAGE --camera FILE [--size WxH] --out FILE` (undistAruco)
// and `talmeq correct-thickness IMAGE --camera FILE --thickness T --out FILE`
// (getCorrectImgByThickness): corrected images from a camera file. A matrix
// that cannot be a camera is refused; a camera file made for another image
// size and a thickness outside 0 .. 190 are warned about.
#include <talmeq/cameraCorrection.h>
#include <talmeq/cameraFile.h>
#include <talmeq/explanations.h>
#include <talmeqAlgorithm.h>

#include <cmath>
#include <regex>

#include "commands.h"

namespace talmeq::cli {
namespace {

constexpr double kReferenceDistance = kThicknessReferenceDistance;

struct CorrectionOptions {
  std::string image;
  std::string camera;
  std::string out;
  std::string size;        // undistort: "WxH", empty for the image's size
  double thickness = 0.0;  // correct-thickness
};

bool allFinite(const cv::Mat& values) { return cv::checkRange(values); }

// The camera file's matrix and coefficients, refused unless they can
// describe a camera: finite, positive focal lengths, last row 0 0 1.
CameraFile loadCamera(const std::string& path) {
  requireExistingFile(path);
  CameraFile camera;
  if (!readCameraFile(path, camera)) throw UsageError("not a readable camera file: " + path);
  const cv::Mat& k = camera.cameraMatrix;
  if (k.size() != cv::Size(3, 3) || k.type() != CV_64F)
    throw UsageError(path + ": camera_matrix must be a 3 x 3 matrix of numbers");
  const std::size_t n = camera.distCoeffs.total();
  if (camera.distCoeffs.type() != CV_64F || !(n == 4 || n == 5 || n == 8 || n == 12 || n == 14))
    throw UsageError(path + ": distortion_coefficients must hold 4, 5, 8, 12 or 14 doubles");
  if (!allFinite(k) || !allFinite(camera.distCoeffs))
    throw UsageError(path + ": the camera holds a value that is not a finite number");
  if (!(k.at<double>(0, 0) > 0.0 && k.at<double>(1, 1) > 0.0))
    throw UsageError(path + ": the focal lengths fx and fy must be positive; this matrix cannot be a camera");
  if (k.at<double>(2, 0) != 0.0 || k.at<double>(2, 1) != 0.0 || k.at<double>(2, 2) != 1.0)
    throw UsageError(path + ": the last row of camera_matrix must be 0 0 1; this matrix cannot be a camera");
  return camera;
}

// What the camera file records against itself: an impossible image size, a
// failed verdict, or the warnings the tool wrote when it calibrated.
void warnAboutRecord(const std::string& path, const CameraFile& camera, Session& session) {
  const cv::Size size = camera.imageSize;
  if (size != cv::Size() && (size.width <= 0 || size.height <= 0))
    session.output.warn(path + " records the image size " + std::to_string(size.width) + " x " +
                        std::to_string(size.height) + ": it cannot tell which images it was made for");
  if (camera.verdict == "fail")
    session.output.warn(path + " records verdict: fail: the calibration did not pass its checks");
  if (!camera.warnings.empty())
    session.output.warn(path + " records " + std::to_string(camera.warnings.size()) +
                        " warning(s) from its calibration, the first: " + camera.warnings.front());
}

cv::Size parseSize(const std::string& text, const cv::Size& fallback) {
  if (text.empty()) return fallback;
  std::smatch match;
  if (!std::regex_match(text, match, std::regex("([0-9]{1,12})x([0-9]{1,12})")))
    throw UsageError("--size must read WIDTHxHEIGHT, as 1024x768: " + text);
  const long long width = std::stoll(match[1]), height = std::stoll(match[2]);
  if (width < 1 || height < 1) throw UsageError("--size must be at least 1x1: " + text);
  // OpenCV's image codecs refuse more pixels than this, so no larger output could be written.
  constexpr long long kLargestImage = 1LL << 30;
  if (width * height > kLargestImage)
    throw UsageError("--size " + text + " is too large: an image file holds at most 2^30 (" +
                     std::to_string(kLargestImage) + ") pixels");
  return {static_cast<int>(width), static_cast<int>(height)};
}

// Everything the two commands need, checked before any work.
struct Inputs {
  CameraFile camera;
  cv::Mat image;
};

Inputs checkedInputs(const CorrectionOptions& options, Session& session) {
  requireImageOutput(options.out);
  refuseOverlaps({options.out}, {options.image, options.camera});
  Inputs inputs{loadCamera(options.camera), readImage(options.image)};
  warnAboutRecord(options.camera, inputs.camera, session);
  const cv::Size made = inputs.camera.imageSize;
  if (!made.empty() && made != inputs.image.size())
    session.output.warn(options.camera + " was made for " + std::to_string(made.width) + " x " +
                        std::to_string(made.height) + " images, " + options.image + " is " +
                        std::to_string(inputs.image.cols) + " x " + std::to_string(inputs.image.rows));
  return inputs;
}

void finish(const CorrectionOptions& options, const cv::Mat& corrected, Session& session) {
  double lowest = 0.0, highest = 0.0;
  cv::minMaxLoc(corrected.reshape(1), &lowest, &highest);
  if (lowest == highest)
    session.output.warn("the corrected image holds the one value " + decimalText(lowest, 0) +
                        " everywhere: the camera or the thickness cannot give a picture");
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
  const cv::Size size = parseSize(options.size, {1, 1});
  const Inputs in = checkedInputs(options, session);
  const cv::Size target = options.size.empty() ? in.image.size() : size;
  cv::Mat corrected;
  const int code = callExport("undistAruco", [&] {
    return undistAruco(in.image, in.camera.cameraMatrix, in.camera.distCoeffs, target, corrected);
  });
  requireSuccess("undistAruco", code, options.image);
  finish(options, corrected, session);
}

std::string thicknessWarning(double t) {
  if (t < 0.0) return "a negative thickness enlarges the image beyond its frame";
  if (t == kReferenceDistance) return "a thickness of 190 shrinks the image to a point: the result is one flat colour";
  if (t > kReferenceDistance) return "a thickness above 190 gives a negative scale: the result is mirrored";
  return {};
}

void runThickness(const CorrectionOptions& options, Session& session) {
  const Inputs in = checkedInputs(options, session);
  const std::string warning = thicknessWarning(options.thickness);
  if (!warning.empty()) session.output.warn(warning);
  cv::Mat corrected;
  const int code = callExport("getCorrectImgByThickness", [&] {
    return getCorrectImgByThickness(in.image, in.camera.cameraMatrix, in.camera.distCoeffs, options.thickness,
                                    corrected);
  });
  requireSuccess("getCorrectImgByThickness", code, options.image);
  session.output.document()["scale"] = (kReferenceDistance - options.thickness) / kReferenceDistance;
  finish(options, corrected, session);
}

CLI::App* addCorrectionCommand(CLI::App& app, const char* name, const char* help, CorrectionOptions& options) {
  CLI::App* cmd = app.add_subcommand(name, help);
  cmd->add_option("image", options.image, "Camera image")->required();
  cmd->add_option("--camera", options.camera, "Camera file from calib-chess or calib-aruco")->required();
  cmd->add_option("--out", options.out, "Corrected image file")->required();
  return cmd;
}

}  // namespace

Command addUndistortCommand(CLI::App& app) {
  auto options = std::make_shared<CorrectionOptions>();
  CLI::App* cmd = addCorrectionCommand(app, "undistort", "Remove the lens distortion (undistAruco)", *options);
  cmd->add_option("--size", options->size, "Output size WIDTHxHEIGHT")->default_str("the image's size");
  return {cmd, nullKeys({"image", "camera", "out", "width", "height"}),
          [options](Session& session) { runUndistort(*options, session); }};
}

Command addCorrectThicknessCommand(CLI::App& app) {
  auto options = std::make_shared<CorrectionOptions>();
  CLI::App* cmd = addCorrectionCommand(app, "correct-thickness",
                                       "Undistort and scale about the principal point by (190 - T) / 190 "
                                       "(getCorrectImgByThickness)",
                                       *options);
  cmd->add_option("--thickness", options->thickness,
                  "Thickness T, in the unit of the reference distance 190 (0 <= T < 190)")
      ->check(decimalNumber())
      ->required();
  return {cmd, nullKeys({"image", "camera", "out", "width", "height", "scale"}),
          [options](Session& session) { runThickness(*options, session); }};
}

}  // namespace talmeq::cli
