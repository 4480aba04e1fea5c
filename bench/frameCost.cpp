// What one per-frame call costs the process besides its time: heap blocks
// allocated and minor page faults (fresh pages the kernel had to map), for
// the spot detector's two methods, the region spot locator's two passes and
// the height measurement around it, and the precision layer's spot reading,
// at 1.3, 5 and 20 megapixels. The exports run with their information
// messages formatted and dropped (as a host that logs them pays for the
// formatting) and, as "<call>/info-off", with those messages turned off. A host
// calls these on every frame from one thread, so each case runs on a thread
// of its own: its first call there, then the steady state after warm-up.
// One OpenCV thread, so that all the work is the calling thread's.
// Prints one line per measurement:
//   "<call> <case> <size> <first|steady> <allocations> <faults> <max faults> <ms>"
// with per-call means (max faults: the most of any single steady call).
// Linux only: page faults come from getrusage(RUSAGE_THREAD).
#include <frameWorkspace.h>
#include <malloc.h>
#include <spotDetection.h>
#include <sys/resource.h>
#include <talmeq/precision.h>
#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <opencv2/core/utility.hpp>
#include <string>
#include <thread>

#include "benchScenes.h"
#include "heapCounter.h"

namespace talmeq::bench {
namespace {

constexpr int kWarmUpCalls = 3;
constexpr int kSteadyCalls = 20;

long threadFaults() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_minflt;
}

struct Cost {
  double allocations = 0.0;   // per call
  double faults = 0.0;        // per call
  long maxFaults = 0;         // of the worst call
  double milliseconds = 0.0;  // per call
};

// Runs `call` `calls` times and returns the means per call.
Cost costOf(const std::function<int()>& call, int calls) {
  Cost cost;
  long faults = 0;
  const std::size_t allocations = heapAllocations();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) {
    const long before = threadFaults();
    call();
    const long used = threadFaults() - before;
    faults += used;
    cost.maxFaults = std::max(cost.maxFaults, used);
  }
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  cost.allocations = static_cast<double>(heapAllocations() - allocations) / calls;
  cost.faults = static_cast<double>(faults) / calls;
  cost.milliseconds = elapsed.count() / calls;
  return cost;
}

void print(const std::string& label, const char* phase, const Cost& cost) {
  std::printf("%s %s %.1f %.1f %ld %.3f\n", label.c_str(), phase, cost.allocations, cost.faults, cost.maxFaults,
              cost.milliseconds);
  std::fflush(stdout);
}

// The first call on a fresh thread, then the steady state on the same one.
void measure(const std::string& label, const std::function<int()>& call) {
  std::thread([&] {
    print(label, "first", costOf(call, 1));
    costOf(call, kWarmUpCalls);
    print(label, "steady", costOf(call, kSteadyCalls));
  }).join();
}

// Every call at every size, the exports with their information messages
// formatted; with `infoOff`, only the exports, those messages turned off.
void measureAll(bool infoOff) {
  const std::string log = infoOff ? "/info-off " : " ";
  for (const FrameSize& size : frameSizes()) {
    for (const SpotScene& scene : spotScenes()) {
      if (scene.expected != 0) continue;
      const cv::Mat frame = spotSceneFrame(scene, size.size);
      cv::Point coord;
      const std::string path = scene.bright ? "bright" : "dim";
      measure("getSpotCoord" + log + path + " " + size.name, [&] { return getSpotCoord(frame, coord); });
      if (infoOff) continue;
      measure("readSpot " + path + " " + size.name, [&] { return static_cast<int>(readSpot(frame).status); });
      // The detector's stages without the messages, which the logger formats.
      measure("traceSpot " + path + " " + size.name, [&] {
        detail::spot::traceSpotInto(frame, detail::spotWorkspace().trace);
        return 0;
      });
    }
    for (const PlaneScene& scene : planeScenes()) {
      const cv::Mat frame = planeSceneFrame(scene, size.size);
      const cv::Rect window = planeSearchWindow(size.size);
      cv::Point spot;
      measure("getSpotCoordInRoI" + log + scene.name + " " + size.name,
              [&] { return detail::getSpotCoordInRoI(frame, window, spot); });
      const std::string path = writePlaneCalibration(size.size);
      double height = 0.0, axisZ = 0.0;
      measure("getPlaneHeightByLinear" + log + scene.name + " " + size.name,
              [&] { return getPlaneHeightByLinear(frame, path, height, axisZ); });
      std::filesystem::remove(path);
    }
  }
}

}  // namespace
}  // namespace talmeq::bench

int main() {
  using namespace talmeq::bench;
  // glibc raises its mmap threshold after the first large block is freed
  // (rendering the frames does that), after which large buffers come from
  // the reused heap. Fixing both thresholds at their starting values keeps
  // every block of 128 KiB or more a fresh mapping, as in a host whose
  // allocator never adapted (and as the Windows heap does for large blocks).
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  mallopt(M_TRIM_THRESHOLD, 128 * 1024);
  cv::setNumThreads(1);
  for (const bool infoOff : {false, true}) {
    QuietLog quiet(infoOff);
    measureAll(infoOff);
  }
  return 0;
}
