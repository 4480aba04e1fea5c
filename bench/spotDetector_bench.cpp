// getSpotCoord of the library against the whole-frame reading, on 1.3, 5 and
// 20 megapixel frames, each path and outcome; and on the noisier 5 MP scene
// with one OpenCV thread, both against the floor: reading the detection
// window once.
#include <spotDetection.h>
#include <talmeqAlgorithm.h>

#include <opencv2/core/utility.hpp>
#include <string>

#include "benchScenes.h"
#include "benchSetup.h"
#include "literalSpotDetector.h"

namespace talmeq::bench {
namespace {

using Detector = int (*)(cv::Mat, cv::Point&);

struct Implementation {
  const char* name;
  Detector detect;
  bool hostLogging;  // the logging a host has, instead of none
};

const Implementation kImplementations[] = {
    {"library", getSpotCoord, false}, {"literal", test::literalGetSpotCoord, false}, {"logged", getSpotCoord, true}};

// The least any detector must do: read every pixel of the detection window
// once (a sum, which the compiler cannot skip).
int readWindowOnce(cv::Mat image, cv::Point& coord) {
  const cv::Scalar sum = cv::sum(image(detail::spot::detectionWindow(image.size())));
  coord.x = static_cast<int>(sum[0]) & 1;
  return 0;
}

const Implementation kWithFloor[] = {
    {"library", getSpotCoord, false}, {"literal", test::literalGetSpotCoord, false}, {"floor", readWindowOnce, false}};

void noisyCall(benchmark::State& state, Detector detect, bool bright) {
  const cv::Mat frame =
      cachedFrame(std::string("noisy ") + (bright ? "bright" : "dim"), [&] { return noisySpotFrame(bright); });
  const OpenCvThreads setting(1);
  cv::Point coord;
  if (detect(frame, coord) != 0) state.SkipWithError("the scene gives no spot");
  for (auto _ : state) benchmark::DoNotOptimize(detect(frame, coord));
  state.counters["megapixels"] = static_cast<double>(frame.total()) / 1e6;
}

void spotCall(benchmark::State& state, const Implementation& implementation, const SpotScene& scene,
              const FrameSize& size, int threads) {
  const Detector detect = implementation.detect;
  const cv::Mat frame = cachedFrame("spot " + scene.name + size.name, [&] { return spotSceneFrame(scene, size.size); });
  const OpenCvThreads setting(threads);
  cv::Point coord;
  if (detect(frame, coord) != scene.expected) state.SkipWithError("the scene gives an unexpected result");
  const auto call = [&] { benchmark::DoNotOptimize(detect(frame, coord)); };
  if (implementation.hostLogging)
    timeLoggedAgainstQuiet(state, call);
  else
    for (auto _ : state) call();
  state.counters["megapixels"] = static_cast<double>(frame.total()) / 1e6;
}

}  // namespace

void registerSpotBenchmarks() {
  for (const auto& size : frameSizes())
    for (const SpotScene& scene : spotScenes())
      for (const int threads : threadSettings())
        for (const Implementation& implementation : kImplementations) {
          const std::string name = std::string("getSpotCoord/") + scene.name + "/" + size.name + "/" +
                                   threadLabel(threads) + "/" + implementation.name;
          timed(benchmark::RegisterBenchmark(name.c_str(), spotCall, implementation, scene, size, threads));
        }
  for (const bool bright : {true, false})
    for (const Implementation& implementation : kWithFloor) {
      const std::string name =
          std::string("getSpotCoord/noisy-") + (bright ? "bright" : "dim") + "/5MP/1thread/" + implementation.name;
      timed(benchmark::RegisterBenchmark(name.c_str(), noisyCall, implementation.detect, bright), 9);
    }
}

}  // namespace talmeq::bench
