// getSpotCoord of the library against the whole-frame reading, on 1.3, 5 and
// 20 megapixel frames, each path and outcome, with one OpenCV thread and
// with OpenCV's default. Run through scripts/bench.sh for the table.
#include <benchmark/benchmark.h>

#include <opencv2/core/utility.hpp>

#include <talmeqAlgorithm.h>

#include <map>
#include <string>

#include "benchScenes.h"
#include "literalSpotDetector.h"

namespace {

using talmeq::bench::SpotScene;
using Detector = int (*)(cv::Mat, cv::Point&);

struct Implementation {
  const char* name;
  Detector detect;
};

const Implementation kImplementations[] = {{"library", getSpotCoord},
                                           {"literal", talmeq::test::literalGetSpotCoord}};

// Frames are rendered once per scene and size; 20 MP takes a while.
const cv::Mat& sceneFrame(const SpotScene& scene, const talmeq::bench::FrameSize& size) {
  static std::map<std::string, cv::Mat> frames;
  cv::Mat& frame = frames[scene.name + size.name];
  if (frame.empty()) frame = talmeq::bench::spotSceneFrame(scene, size.size);
  return frame;
}

void spotCall(benchmark::State& state, Detector detect, const SpotScene& scene,
              const talmeq::bench::FrameSize& size, int threads) {
  const cv::Mat frame = sceneFrame(scene, size);
  const int previous = cv::getNumThreads();
  cv::setNumThreads(threads);
  cv::Point coord;
  if (detect(frame, coord) != scene.expected) state.SkipWithError("the scene gives an unexpected result");
  for (auto _ : state) benchmark::DoNotOptimize(detect(frame, coord));
  cv::setNumThreads(previous);
  state.counters["megapixels"] = static_cast<double>(frame.total()) / 1e6;
}

void registerSpotBenchmarks() {
  const int defaultThreads = cv::getNumThreads();
  for (const auto& size : talmeq::bench::frameSizes())
    for (const SpotScene& scene : talmeq::bench::spotScenes())
      for (const int threads : {1, defaultThreads})
        for (const Implementation& implementation : kImplementations) {
          const std::string name = std::string("getSpotCoord/") + scene.name + "/" + size.name + "/" +
                                   (threads == 1 ? "1thread" : "default") + "/" + implementation.name;
          benchmark::RegisterBenchmark(name.c_str(), spotCall, implementation.detect, scene, size, threads)
              ->Unit(benchmark::kMillisecond)
              ->UseRealTime()
              ->MinTime(0.2)
              ->Repetitions(5)
              ->ReportAggregatesOnly(true);
        }
}

}  // namespace

int main(int argc, char** argv) {
  talmeq::bench::QuietLog quiet;
  registerSpotBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
