// The C++ side of the binding benchmark (bench/bindingBench.py): renders the
// 5 MP frame of the bright spot scene, writes it to FRAME.png for the Python
// side to read, and times two exports on it, as the Python side then times
// the module's functions:
//   getSpotCoord on the frame (the spot is found);
//   getPlaneHeightByLinear on the frame with a calibration path that names
//   no file, which returns -2 at once: the call is all boundary.
// Prints one JSON object: the median over REPEATS runs of the time per call,
// in microseconds, for each, and the result codes.
//   exportTimer FRAME.png
#include <talmeqAlgorithm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <vector>

#include "benchScenes.h"

namespace {

constexpr int kRepeats = 7;

template <class Item>
const Item& named(const std::vector<Item>& items, const std::string& name) {
  return *std::find_if(items.begin(), items.end(), [&](const Item& item) { return item.name == name; });
}

template <class Call>
double medianMicroseconds(int calls, Call&& call) {
  std::vector<double> runs;
  for (int run = 0; run < kRepeats; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) call();
    runs.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / calls);
  }
  std::sort(runs.begin(), runs.end());
  return runs[kRepeats / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: exportTimer FRAME.png\n"), 2;
  using namespace talmeq::bench;
  const cv::Mat frame = spotSceneFrame(named(spotScenes(), "bright/found"), named(frameSizes(), "5MP").size);
  if (!cv::imwrite(argv[1], frame)) return std::fprintf(stderr, "exportTimer: cannot write %s\n", argv[1]), 2;

  cv::Point spot;
  double height = 0.0, axisZ = 0.0;
  const std::string missing = "no-such-calibration.yml";
  const int spotCode = getSpotCoord(frame, spot);
  const int missingCode = getPlaneHeightByLinear(frame, missing, height, axisZ);
  const double spotTime = medianMicroseconds(20, [&] { getSpotCoord(frame, spot); });
  const double missingTime =
      medianMicroseconds(5000, [&] { getPlaneHeightByLinear(frame, missing, height, axisZ); });
  std::printf(
      "{\"width\": %d, \"height\": %d, \"spot_code\": %d, \"spot_us\": %.3f, "
      "\"missing_file_code\": %d, \"missing_file_us\": %.3f}\n",
      frame.cols, frame.rows, spotCode, spotTime, missingCode, missingTime);
  return 0;
}
