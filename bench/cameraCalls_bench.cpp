// The camera calibration and correction calls on 1.3, 5 and 20 megapixel
// frames: chessboard and ArUco board views rendered at 1.3 MP through a
// distorting camera and scaled up to the larger sizes, with the camera
// matrix scaled alike. These calls have no whole-frame reading to compare
// with; the table shows their time and throughput.
#include <talmeqAlgorithm.h>

#include <functional>
#include <opencv2/imgproc.hpp>
#include <string>

#include "arucoApi.h"
#include "benchScenes.h"
#include "benchSetup.h"
#include "calibrationViews.h"

namespace talmeq::bench {
namespace {

// The camera at the smallest size; larger frames scale it.
sim::Camera renderCamera(cv::Size size) {
  sim::Camera camera;
  camera.size = size;
  camera.fx = camera.fy = 1.1 * size.width;
  camera.cx = 0.5 * size.width - 2.7;
  camera.cy = 0.5 * size.height + 1.9;
  camera.k1 = -0.1;
  camera.k2 = 0.05;
  return camera;
}

cv::Mat scaledCameraMatrix(cv::Size from, cv::Size to) {
  cv::Mat matrix = renderCamera(from).matrix();
  matrix.row(0) *= static_cast<double>(to.width) / from.width;
  matrix.row(1) *= static_cast<double>(to.height) / from.height;
  return matrix;
}

cv::Mat renderedView(bool chess, const FrameSize& size) {
  const FrameSize& base = frameSizes().front();
  const sim::Target target =
      chess ? sim::chessboardTarget() : sim::arucoBoardTarget(talmeq::detail::aruco_api::kDict6x6_250);
  const sim::Pose pose =
      chess ? sim::boardPose(target, 330.0, 15.0, -10.0, 4.0) : sim::boardPose(target, 3300.0, 12.0, -10.0, 3.0);
  const cv::Mat& small = cachedFrame(chess ? "chess" : "aruco", [&] {
    sim::ViewEffects effects;
    effects.blurSigma = 0.6;
    effects.noise = 2.0;
    return sim::renderView(target, renderCamera(base.size), pose, effects).image;
  });
  if (size.size == base.size) return small;
  cv::Mat scaled;
  cv::resize(small, scaled, size.size, 0.0, 0.0, cv::INTER_LINEAR);
  return scaled;
}

using Call = std::function<int(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs)>;

// Three runs of at least 0.1 s: one call each for the detections at 20 MP,
// which take seconds.
constexpr int kRepetitions = 3;
constexpr double kMinSeconds = 0.1;

struct CameraCall {
  const char* name;
  bool chessView;  // the view it works on: chessboard, or ArUco board
  Call call;
};

const CameraCall kCalls[] = {
    {"calibChess", true,
     [](const cv::Mat& image, const cv::Mat&, const cv::Mat&) {
       cv::Mat cameraMatrix, distCoeffs;
       return calibChess(image, cameraMatrix, distCoeffs);
     }},
    {"getArucoCorners", false,
     [](const cv::Mat& image, const cv::Mat&, const cv::Mat&) {
       std::vector<int> ids;
       std::vector<std::vector<cv::Point2f>> corners;
       return getArucoCorners(image, ids, corners);
     }},
    {"undistAruco", true,
     [](const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs) {
       cv::Mat corrected;
       return undistAruco(image, cameraMatrix, distCoeffs, image.size(), corrected);
     }},
    {"getCorrectImgByThickness", true,
     [](const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs) {
       cv::Mat corrected;
       return getCorrectImgByThickness(image, cameraMatrix, distCoeffs, 12.0, corrected);
     }},
};

void cameraCall(benchmark::State& state, const CameraCall& call, const FrameSize& size, int threads) {
  const std::string key = std::string(call.chessView ? "chess " : "aruco ") + size.name;
  const cv::Mat image = cachedFrame(key, [&] { return renderedView(call.chessView, size); });
  const cv::Mat cameraMatrix = scaledCameraMatrix(frameSizes().front().size, size.size);
  const cv::Mat distCoeffs = renderCamera(size.size).distortion();
  const OpenCvThreads setting(threads);
  // Checked inside the loop: one call of calibChess at 20 MP takes seconds.
  for (auto _ : state)
    if (call.call(image, cameraMatrix, distCoeffs) != 0) state.SkipWithError("the view gives no result");
  state.counters["megapixels"] = static_cast<double>(image.total()) / 1e6;
}

}  // namespace

void registerCameraBenchmarks() {
  for (const auto& size : frameSizes())
    for (const CameraCall& call : kCalls)
      for (const int threads : threadSettings()) {
        const std::string name = std::string(call.name) + "/" + size.name + "/" + threadLabel(threads) + "/library";
        timed(benchmark::RegisterBenchmark(name.c_str(), cameraCall, call, size, threads), kRepetitions, kMinSeconds);
      }
}

}  // namespace talmeq::bench
