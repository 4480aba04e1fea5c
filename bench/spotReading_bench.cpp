// readSpot of the precision layer against getSpotCoord on the same 5
// megapixel frames (each path and outcome). Each row times one of the two
// and runs the other, untimed, between its calls: both then meet the same
// state of the allocator, whose reuse or return of large buffers otherwise
// depends on what ran before and can change a call's time several-fold.
#include <talmeq/precision.h>
#include <talmeqAlgorithm.h>

#include <string>

#include "benchScenes.h"
#include "benchSetup.h"

namespace talmeq::bench {
namespace {

void alternating(benchmark::State& state, bool timeTheReading, const SpotScene& scene, const FrameSize& size,
                 int threads) {
  const cv::Mat frame = cachedFrame("spot " + scene.name + size.name, [&] { return spotSceneFrame(scene, size.size); });
  const OpenCvThreads setting(threads);
  cv::Point coord;
  if (readSpot(frame).hasCentre() != (scene.expected == 0)) state.SkipWithError("the scene reads unexpectedly");
  const auto reading = [&] { benchmark::DoNotOptimize(readSpot(frame)); };
  const auto detection = [&] { benchmark::DoNotOptimize(getSpotCoord(frame, coord)); };
  for (auto _ : state) {
    state.PauseTiming();
    timeTheReading ? detection() : reading();
    state.ResumeTiming();
    timeTheReading ? reading() : detection();
  }
  state.counters["megapixels"] = static_cast<double>(frame.total()) / 1e6;
}

}  // namespace

void registerSpotReadingBenchmarks() {
  for (const auto& size : frameSizes()) {
    if (size.name != "5MP") continue;
    for (const SpotScene& scene : spotScenes())
      for (const int threads : threadSettings())
        for (const bool timeTheReading : {true, false}) {
          const std::string name = "readSpot/" + scene.name + "/" + size.name + "/" + threadLabel(threads) +
                                   (timeTheReading ? "/library" : "/getSpotCoord");
          timed(benchmark::RegisterBenchmark(name.c_str(), alternating, timeTheReading, scene, size, threads));
        }
  }
}

}  // namespace talmeq::bench
