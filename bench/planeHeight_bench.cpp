// getPlaneHeightByLinear with a 400 x 400 search window on 1.3, 5 and 20
// megapixel frames, found by the bright-spot pass or by the track pass:
// the library against the same measurement built on the whole-frame reading
// of the region spot locator. The library's time follows the window, the
// reference's the frame.
#include <calibrationFile.h>
#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include <opencv2/imgproc.hpp>

#include <filesystem>
#include <string>

#include "benchScenes.h"
#include "benchSetup.h"
#include "literalRegionLocator.h"

namespace talmeq::bench {
namespace {

using Measurement = int (*)(cv::Mat, std::string, double&, double&);

struct Implementation {
  const char* name;
  Measurement measure;
  bool hostLogging;  // the logging a host has, instead of none
};

const Implementation kImplementations[] = {{"library", getPlaneHeightByLinear, false},
                                           {"literal", test::literalGetPlaneHeightByLinear, false},
                                           {"logged", getPlaneHeightByLinear, true}};

const cv::Size kWindow(400, 400);

struct PlaneScene {
  std::string name;  // the pass that finds the spot
  bool saturated;    // a white saturated spot, or a red one only the track pass sees
};

const PlaneScene kScenes[] = {{"bright", true}, {"track", false}};

// The search window right of and below the frame's centre.
cv::Rect searchWindow(cv::Size frame) { return {frame.width / 2, frame.height / 2, kWindow.width, kWindow.height}; }

// The spot 40 % along the window's diagonal.
cv::Point2d spotCentre(cv::Size frame) {
  const cv::Rect w = searchWindow(frame);
  return {w.x + 0.4 * w.width + 0.3, w.y + 0.4 * w.height + 0.6};
}

cv::Mat planeFrame(const PlaneScene& scene, cv::Size size) {
  sim::FrameRecipe recipe = sceneBackground(size);
  sim::Spot spot;
  spot.centre = spotCentre(size);
  spot.sigma = scene.saturated ? 2.5 : 3.5;
  spot.peak = scene.saturated ? 1200.0 : 400.0;
  if (!scene.saturated) spot.green = 0.1, spot.blue = 0.1;
  recipe.spots = {spot};
  return sim::renderSpotFrame(recipe);
}

// A calibration whose reference position lies 120 pixels from the spot and
// whose absolute heights stay inside the accepted range.
std::string calibrationFile(cv::Size size) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("talmeq-bench-" + std::to_string(size.width) + "x" + std::to_string(size.height) +
                             ".yml")).string();
  CalibrationValues values;
  values.k = 1.0;
  values.b = -3.0;
  values.initialX = spotCentre(size).x - 120.0;
  values.initialY = spotCentre(size).y;
  values.scale = 0.05;
  values.dist = 300.0;
  values.initZ = -16.0;
  values.focusD = 0.5;
  values.roi = searchWindow(size);
  writeCalibration(path, values);
  return path;
}

// The locator must find the spot by the intended pass: near its true
// centre, and for the track scene with no grey value high enough for the
// bright pass.
bool takesItsPass(const PlaneScene& scene, const cv::Mat& frame) {
  const cv::Rect window = searchWindow(frame.size());
  cv::Point spot;
  if (getSpotCoordInRoI(frame, window, spot) != 0 || cv::norm(cv::Point2d(spot) - spotCentre(frame.size())) > 2.0)
    return false;
  cv::Mat grey;
  cv::cvtColor(frame(window), grey, cv::COLOR_BGR2GRAY);
  double brightest = 0.0;
  cv::minMaxLoc(grey, nullptr, &brightest);
  return scene.saturated == (brightest > 240.0);
}

void heightCall(benchmark::State& state, const Implementation& implementation, const PlaneScene& scene,
                const FrameSize& size, int threads) {
  const Measurement measure = implementation.measure;
  const cv::Mat frame = cachedFrame("plane " + scene.name + size.name, [&] { return planeFrame(scene, size.size); });
  const std::string path = calibrationFile(size.size);
  const OpenCvThreads setting(threads);
  const HostLogging logging(implementation.hostLogging);
  double height = 0.0, axisZ = 0.0;
  if (!takesItsPass(scene, frame) || measure(frame, path, height, axisZ) != 0)
    state.SkipWithError("the scene does not give a height by its pass");
  for (auto _ : state) benchmark::DoNotOptimize(measure(frame, path, height, axisZ));
  state.counters["megapixels"] = static_cast<double>(frame.total()) / 1e6;
  std::filesystem::remove(path);
}

}  // namespace

void registerPlaneHeightBenchmarks() {
  for (const auto& size : frameSizes())
    for (const PlaneScene& scene : kScenes)
      for (const int threads : threadSettings())
        for (const Implementation& implementation : kImplementations) {
          const std::string name = "getPlaneHeightByLinear/" + scene.name + "/" + size.name + "/" +
                                   threadLabel(threads) + "/" + implementation.name;
          timed(benchmark::RegisterBenchmark(name.c_str(), heightCall, implementation, scene, size, threads));
        }
}

}  // namespace talmeq::bench
