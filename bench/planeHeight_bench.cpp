// getPlaneHeightByLinear with a 400 x 400 search window on 1.3, 5 and 20
// megapixel frames, found by the bright-spot pass or by the track pass:
// the library against the same measurement built on the whole-frame reading
// of the region spot locator. The library's time follows the window, the
// reference's the frame.
#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include <filesystem>
#include <opencv2/imgproc.hpp>
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

// The locator must find the spot by the intended pass: near its true
// centre, and for the track scene with no grey value high enough for the
// bright pass.
bool takesItsPass(const PlaneScene& scene, const cv::Mat& frame) {
  const cv::Rect window = planeSearchWindow(frame.size());
  cv::Point spot;
  if (detail::getSpotCoordInRoI(frame, window, spot) != 0 ||
      cv::norm(cv::Point2d(spot) - planeSpotCentre(frame.size())) > 2.0)
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
  const cv::Mat frame =
      cachedFrame("plane " + scene.name + size.name, [&] { return planeSceneFrame(scene, size.size); });
  const std::string path = writePlaneCalibration(size.size);
  const OpenCvThreads setting(threads);
  double height = 0.0, axisZ = 0.0;
  if (!takesItsPass(scene, frame) || measure(frame, path, height, axisZ) != 0)
    state.SkipWithError("the scene does not give a height by its pass");
  const auto call = [&] { benchmark::DoNotOptimize(measure(frame, path, height, axisZ)); };
  if (implementation.hostLogging)
    timeLoggedAgainstQuiet(state, call);
  else
    for (auto _ : state) call();
  state.counters["megapixels"] = static_cast<double>(frame.total()) / 1e6;
  std::filesystem::remove(path);
}

}  // namespace

void registerPlaneHeightBenchmarks() {
  for (const auto& size : frameSizes())
    for (const PlaneScene& scene : planeScenes())
      for (const int threads : threadSettings())
        for (const Implementation& implementation : kImplementations) {
          const std::string name = "getPlaneHeightByLinear/" + scene.name + "/" + size.name + "/" +
                                   threadLabel(threads) + "/" + implementation.name;
          timed(benchmark::RegisterBenchmark(name.c_str(), heightCall, implementation, scene, size, threads));
        }
}

}  // namespace talmeq::bench
