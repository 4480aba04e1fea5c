// getSpotCoord of the library against the whole-frame reading, on 1.3, 5 and
// 20 megapixel frames, each path and outcome.
#include <talmeqAlgorithm.h>

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

void spotCall(benchmark::State& state, const Implementation& implementation, const SpotScene& scene,
              const FrameSize& size, int threads) {
  const Detector detect = implementation.detect;
  const cv::Mat frame =
      cachedFrame("spot " + scene.name + size.name, [&] { return spotSceneFrame(scene, size.size); });
  const OpenCvThreads setting(threads);
  const HostLogging logging(implementation.hostLogging);
  cv::Point coord;
  if (detect(frame, coord) != scene.expected) state.SkipWithError("the scene gives an unexpected result");
  for (auto _ : state) benchmark::DoNotOptimize(detect(frame, coord));
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
}

}  // namespace talmeq::bench
