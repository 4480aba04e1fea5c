// `talmeq demo`: the library at work on built-in synthetic data, with no
// input at all. Each stage of the station's road is one function that adds
// its table and its JSON section: the spot stage runs getSpotCoord on the
// simulated station's frames with known spot centres; the height road and the camera
// calibration run on a simulated dataset (demoStages.h), written to a
// temporary folder unless --keep names one.
#include <talmeqAlgorithm.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>

#include "commands.h"
#include "datasetWriter.h"
#include "demoStages.h"
#include "failures.h"
#include "libraryCall.h"
#include "output.h"
#include "resultCodes.h"

namespace talmeq::cli {
namespace {

namespace fs = std::filesystem;

struct DemoOptions {
  int frames = 12;
  unsigned seed = 1;
  std::string keep;
};

// The dataset folder: --keep's, or a fresh temporary one removed afterwards.
class DatasetFolder {
 public:
  explicit DatasetFolder(const std::string& keep) : temporary_(keep.empty()) {
    if (!temporary_) {
      path_ = fs::u8path(keep);
      return;
    }
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() / ("talmeq-demo-" + std::to_string(ticks));
  }
  ~DatasetFolder() {
    std::error_code ignored;
    if (temporary_) fs::remove_all(path_, ignored);
  }
  DatasetFolder(const DatasetFolder&) = delete;
  DatasetFolder& operator=(const DatasetFolder&) = delete;
  std::string path() const { return path_.string(); }

 private:
  fs::path path_;
  bool temporary_;
};

struct SpotStage {
  int found = 0;
  double worstError = 0.0;  // pixels, larger of the two axis errors
};

// The frames of the spot stage are the ones the station sees: the simulated
// station's camera on its work plane at a height drawn from the calibrated
// range, each frame with its own noise. The truth is where the station's
// geometry puts the spot.
SpotStage runSpotStage(const DemoOptions& options, Session& session) {
  const sim::Station station = sim::datasetStation();
  const std::vector<double> calibrated = sim::datasetCalibrationHeights();
  Table table{{"frame", "height", "result", "true centre", "found", "error (px)"}, {}};
  nlohmann::json frames = nlohmann::json::array();
  SpotStage stage;
  // One generator draws every frame's height and noise seed: the first draw
  // of a generator seeded with consecutive numbers moves in even steps, which
  // would put the frames on a ramp that the seed only starts elsewhere.
  cv::RNG rng(options.seed);
  for (int i = 0; i < options.frames; ++i) {
    const double height = rng.uniform(calibrated.front(), calibrated.back());
    const std::uint64_t seed = static_cast<std::uint64_t>(rng.next()) << 32 | rng.next();
    const cv::Mat frame = sim::stationFrame(station, height, seed);
    cv::Point found;
    const int result = callExport("getSpotCoord", [&] { return getSpotCoord(frame, found); });
    const cv::Point2d truth = sim::spotAtHeight(station, height);
    const double error = std::max(std::abs(found.x - truth.x), std::abs(found.y - truth.y));
    if (result == 0) {
      ++stage.found;
      stage.worstError = std::max(stage.worstError, error);
    }
    table.rows.push_back({std::to_string(i), fixed(height, 2), std::to_string(result),
                          "(" + fixed(truth.x, 2) + ", " + fixed(truth.y, 2) + ")",
                          "(" + std::to_string(found.x) + ", " + std::to_string(found.y) + ")",
                          result == 0 ? fixed(error, 2) : std::string(resultMeaning("getSpotCoord", result))});
    frames.push_back({{"frame", i},
                      {"height", height},
                      {"result", result},
                      {"trueX", truth.x},
                      {"trueY", truth.y},
                      {"x", found.x},
                      {"y", found.y}});
  }
  session.output.table(table);
  session.output.line("spots found: " + std::to_string(stage.found) + " of " + std::to_string(options.frames) +
                      ", worst error " + fixed(stage.worstError, 2) + " px");
  session.output.document()["spot"] = {{"frames", frames}, {"found", stage.found}, {"worstError", stage.worstError}};
  return stage;
}

void runDemo(const DemoOptions& options, Session& session) {
  if (options.frames < 1) throw UsageError("--frames must be at least 1");
  std::error_code error;
  if (!options.keep.empty() && fs::exists(fs::u8path(options.keep), error) &&
      !fs::is_directory(fs::u8path(options.keep), error))
    throw UsageError("not a directory: " + options.keep);
  const SpotStage spot = runSpotStage(options, session);
  const DatasetFolder folder(options.keep);
  // The seed draws every stage: the spot frames, and the noise and views of
  // the simulated dataset (the default seed 1 gives the dataset of simulate).
  const std::uint64_t seedShift = options.seed - 1u;
  const double heightError = runHeightStage(folder.path(), seedShift, session);
  const double focalError = runCameraStage(folder.path(), seedShift, session);
  if (spot.found < options.frames)
    throw WorkFailure("getSpotCoord found no spot in " + std::to_string(options.frames - spot.found) + " of " +
                      std::to_string(options.frames) + " synthetic frames");
  if (!(heightError < kDemoMaxHeightError))
    throw WorkFailure("worst measured height error " + fixed(heightError, 4) + " is not below " +
                      fixed(kDemoMaxHeightError, 1));
  if (!(focalError < kDemoMaxFocalError))
    throw WorkFailure("a calibrated focal length is off by " + fixed(100 * focalError, 3) + " %");
}

}  // namespace

Command addDemoCommand(CLI::App& app) {
  auto options = std::make_shared<DemoOptions>();
  CLI::App* demo = app.add_subcommand(
      "demo", "Run the whole station on built-in synthetic data: spots, height road, camera calibration");
  demo->add_option("--frames", options->frames, "Number of synthetic spot frames (1 or more)")->capture_default_str();
  demo->add_option("--seed", options->seed, "Seed of the spot frames and of the simulated dataset's noise and views")
      ->capture_default_str();
  demo->add_option("--keep", options->keep, "Write the simulated dataset into this folder and keep it")
      ->default_str("a temporary folder, removed afterwards");
  return {demo, nullKeys({"spot", "height", "camera"}), [options](Session& session) { runDemo(*options, session); }};
}

}  // namespace talmeq::cli
