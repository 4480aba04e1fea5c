#include "benchSetup.h"

#include <opencv2/core/utility.hpp>

#include <map>

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

const cv::Mat& cachedFrame(const std::string& key, const std::function<cv::Mat()>& render) {
  static std::map<std::string, cv::Mat> frames;
  cv::Mat& frame = frames[key];
  if (frame.empty()) frame = render();
  return frame;
}

}  // namespace talmeq::bench
