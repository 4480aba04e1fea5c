// What every benchmark of the suite shares: the OpenCV thread settings each
// call runs under, the timing options, a cache of rendered frames, and the
// registration of each group of calls.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace talmeq::bench {

// One OpenCV thread, then OpenCV's default.
std::vector<int> threadSettings();

// "1thread" or "default": the thread part of a benchmark's name.
std::string threadLabel(int threads);

// Sets OpenCV's thread count for the life of the object.
class OpenCvThreads {
 public:
  explicit OpenCvThreads(int threads);
  ~OpenCvThreads();
  OpenCvThreads(const OpenCvThreads&) = delete;
  OpenCvThreads& operator=(const OpenCvThreads&) = delete;

 private:
  int previous_;
};

// Real time in milliseconds, reported as the aggregates of `repetitions`
// runs of at least `minSeconds` each (the table takes the median).
benchmark::internal::Benchmark* timed(benchmark::internal::Benchmark* b, int repetitions = 5, double minSeconds = 0.2);

// The benchmark's loop over `call` with the logging a host has by default
// (routeLog). Between the timed calls, outside the benchmark's timing, the
// same call runs with the log routed nowhere under a clock of its own; the
// counter "quiet_ms" is the mean of those. Timed in alternation, both meet
// the same state of the machine, so their difference is what the logging
// costs even while the machine's speed drifts. Leaves the log routed nowhere.
void timeLoggedAgainstQuiet(benchmark::State& state, const std::function<void()>& call);

// The frame stored under `key`, rendered on first use; large frames take a
// while to render and are shared by the benchmarks of one size.
const cv::Mat& cachedFrame(const std::string& key, const std::function<cv::Mat()>& render);

void registerSpotBenchmarks();
void registerSpotReadingBenchmarks();
void registerPlaneHeightBenchmarks();
void registerCameraBenchmarks();

}  // namespace talmeq::bench
