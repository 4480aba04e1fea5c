#include "benchSetup.h"

#include <chrono>
#include <map>
#include <opencv2/core/utility.hpp>

#include "benchScenes.h"

namespace talmeq::bench {

std::vector<int> threadSettings() { return {1, cv::getNumThreads()}; }

std::string threadLabel(int threads) { return threads == 1 ? "1thread" : "default"; }

OpenCvThreads::OpenCvThreads(int threads) : previous_(cv::getNumThreads()) { cv::setNumThreads(threads); }
OpenCvThreads::~OpenCvThreads() { cv::setNumThreads(previous_); }

benchmark::internal::Benchmark* timed(benchmark::internal::Benchmark* b, int repetitions, double minSeconds) {
  return b->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(minSeconds)
      ->Repetitions(repetitions)
      ->ReportAggregatesOnly(true);
}

void timeLoggedAgainstQuiet(benchmark::State& state, const std::function<void()>& call) {
  std::chrono::steady_clock::duration quiet{};
  for (auto _ : state) {
    state.PauseTiming();
    routeLog(true);
    const auto start = std::chrono::steady_clock::now();
    call();
    quiet += std::chrono::steady_clock::now() - start;
    routeLog(false);
    state.ResumeTiming();
    call();
  }
  routeLog(true);
  state.counters["quiet_ms"] =
      benchmark::Counter(std::chrono::duration<double, std::milli>(quiet).count(), benchmark::Counter::kAvgIterations);
}

const cv::Mat& cachedFrame(const std::string& key, const std::function<cv::Mat()>& render) {
  static std::map<std::string, cv::Mat> frames;
  cv::Mat& frame = frames[key];
  if (frame.empty()) frame = render();
  return frame;
}

}  // namespace talmeq::bench
