// The benchmark suite: getSpotCoord, getPlaneHeightByLinear and the camera
// calls on 1.3, 5 and 20 megapixel frames, and the precision layer's
// readSpot beside getSpotCoord, with logging routed nowhere, and the first
// two again with the logging a host has. Run through scripts/bench.sh for
// the table (it sends standard output to /dev/null).
#include "benchScenes.h"
#include "benchSetup.h"

int main(int argc, char** argv) {
  talmeq::bench::QuietLog quiet;
  talmeq::bench::registerSpotBenchmarks();
  talmeq::bench::registerSpotReadingBenchmarks();
  talmeq::bench::registerPlaneHeightBenchmarks();
  talmeq::bench::registerCameraBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
