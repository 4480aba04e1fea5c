// `talmeq demo`: spot detection on synthetic frames with known spot centres.
#include <talmeqAlgorithm.h>

#include <cmath>
#include <cstdio>

#include "commands.h"
#include "spotFrames.h"

namespace talmeq::cli {
namespace {

struct DemoOptions {
  int frames = 12;
  unsigned seed = 1;
};

int runDemo(const DemoOptions& options) {
  std::printf("%-6s %-10s %-18s %-12s %s\n", "frame", "result", "true centre", "found", "error (px)");
  double worst = 0.0;
  int failures = 0;
  for (int i = 0; i < options.frames; ++i) {
    const sim::FrameSpec spec = sim::randomSpotFrame(options.seed + i);
    cv::Point found;
    const int result = getSpotCoord(sim::renderSpotFrame(spec), found);
    const cv::Point2d truth = spec.spots[0].centre;
    const double error = std::max(std::abs(found.x - truth.x), std::abs(found.y - truth.y));
    if (result == 0) worst = std::max(worst, error); else ++failures;
    std::printf("%-6d %-10d (%7.2f, %7.2f)  (%4d, %4d)  %.2f\n", i, result, truth.x, truth.y, found.x,
                found.y, error);
  }
  std::printf("spots found: %d of %d, worst error %.2f px\n", options.frames - failures, options.frames, worst);
  return failures == 0 ? 0 : 1;
}

}  // namespace

void addDemoCommand(CLI::App& app) {
  auto options = std::make_shared<DemoOptions>();
  CLI::App* demo = app.add_subcommand("demo", "Run the library on built-in synthetic frames");
  demo->add_option("--frames", options->frames, "Number of synthetic frames")->capture_default_str();
  demo->add_option("--seed", options->seed, "Seed of the first frame")->capture_default_str();
  demo->callback([options] {
    const int status = runDemo(*options);
    if (status != 0) throw CLI::RuntimeError(status);
  });
}

}  // namespace talmeq::cli
