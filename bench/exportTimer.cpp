// The C++ side of the binding benchmark (bench/bindingBench.py): renders the
// 5 MP frame of the bright spot scene, writes it to FRAME.png for the Python
// side to read, and times getPlaneHeightByLinear on it with a calibration
// path that names no file, which returns -2 at once, as the Python side then
// times the module's function: the difference is the cost of the boundary.
// Prints one JSON object: the result code and the median time per call in
// microseconds, on the clock and of the processor.
//   exportTimer FRAME.png
#include <talmeqAlgorithm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
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

// Median over kRepeats runs of `calls` calls, in microseconds per call: the
// time on the clock, and the processor time, which a loaded machine does not
// stretch as much.
struct Timing {
  double wall;
  double cpu;
};

template <class Call>
Timing medianMicroseconds(int calls, Call&& call) {
  std::vector<double> wall, cpu;
  for (int run = 0; run < kRepeats; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t startCpu = std::clock();
    for (int i = 0; i < calls; ++i) call();
    cpu.push_back(1e6 * static_cast<double>(std::clock() - startCpu) / CLOCKS_PER_SEC / calls);
    wall.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / calls);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[kRepeats / 2], cpu[kRepeats / 2]};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: exportTimer FRAME.png\n"), 2;
  using namespace talmeq::bench;
  cv::setNumThreads(1);  // as the Python side
  const cv::Mat frame = spotSceneFrame(named(spotScenes(), "bright/found"), named(frameSizes(), "5MP").size);
  if (!cv::imwrite(argv[1], frame)) return std::fprintf(stderr, "exportTimer: cannot write %s\n", argv[1]), 2;

  double height = 0.0, axisZ = 0.0;
  const std::string missing = "no-such-calibration.yml";
  const int code = getPlaneHeightByLinear(frame, missing, height, axisZ);
  const Timing time = medianMicroseconds(5000, [&] { getPlaneHeightByLinear(frame, missing, height, axisZ); });
  std::printf("{\"width\": %d, \"height\": %d, \"code\": %d, \"wall_us\": %.3f, \"cpu_us\": %.3f}\n", frame.cols,
              frame.rows, code, time.wall, time.cpu);
  return 0;
}
