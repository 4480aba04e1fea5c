// Peak heap memory of one getSpotCoord call on a 5 megapixel frame, library
// against the whole-frame reading, for each path and outcome: the highest
// number of bytes held during the call above the level at its start.
// Prints one line per measurement: "<scene> <implementation> <bytes>".
#include <talmeqAlgorithm.h>

#include <cstdio>
#include <opencv2/core/utility.hpp>

#include "benchScenes.h"
#include "heapCounter.h"
#include "literalSpotDetector.h"

int main() {
  talmeq::bench::QuietLog quiet;
  cv::setNumThreads(1);
  const talmeq::bench::FrameSize& size = talmeq::bench::frameSizes().at(1);
  for (const talmeq::bench::SpotScene& scene : talmeq::bench::spotScenes()) {
    const cv::Mat frame = talmeq::bench::spotSceneFrame(scene, size.size);
    const struct {
      const char* name;
      int (*detect)(cv::Mat, cv::Point&);
    } implementations[] = {{"library", getSpotCoord}, {"literal", talmeq::test::literalGetSpotCoord}};
    for (const auto& implementation : implementations) {
      cv::Point coord;
      implementation.detect(frame, coord);  // warm up: first-use allocations of OpenCV and the logger
      const std::size_t before = talmeq::bench::heapInUse();
      talmeq::bench::resetHeapPeak();
      const int result = implementation.detect(frame, coord);
      const std::size_t peak = talmeq::bench::heapPeak() - before;
      std::printf("%s %s %s %zu %d\n", size.name.c_str(), scene.name.c_str(), implementation.name, peak, result);
    }
  }
  return 0;
}
