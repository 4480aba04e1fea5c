// `talmeq demo`: the library at work on built-in synthetic data, with no
// input at all. Each stage of the station's road is one function that adds
// its table and its JSON section: the spot stage runs getSpotCoord on the
// simulated station's frames with known spot centres; the height road and the camera
// calibration run on a simulated dataset, written to a temporary folder
// unless --keep names one.
#include <talmeq/explanations.h>
#include <talmeqAlgorithm.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>

#include "cameraWorkflow.h"
#include "commands.h"
#include "datasetWriter.h"
#include "heightWorkflow.h"
#include "reportRow.h"

namespace talmeq::cli {
namespace {

namespace fs = std::filesystem;

constexpr double kDemoMaxHeightError = 0.2;  // height units
constexpr double kDemoMaxFocalError = 0.01;  // relative

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
  std::vector<ReportRow> frames;
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
    ReportRow& row = frames.emplace_back(ReportRow({}));
    row.shown("frame", i).shown("height", height, 2).shown("result", result).hidden("trueX", truth.x);
    row.hidden("trueY", truth.y).hidden("x", found.x).hidden("y", found.y);
    row.cells({"(" + decimalText(truth.x, 2) + ", " + decimalText(truth.y, 2) + ")",
               "(" + std::to_string(found.x) + ", " + std::to_string(found.y) + ")",
               result == 0 ? decimalText(error, 2) : std::string(resultMeaning("getSpotCoord", result))});
  }
  const nlohmann::json objects =
      printRows(session.output, {"frame", "height", "result", "true centre", "found", "error (px)"}, frames);
  session.output.line("spots found: " + std::to_string(stage.found) + " of " + std::to_string(options.frames) +
                      ", worst error " + decimalText(stage.worstError, 2) + " px");
  session.output.document()["spot"] = {{"frames", objects}, {"found", stage.found}, {"worstError", stage.worstError}};
  return stage;
}

std::string under(const std::string& dir, const char* a, const char* b) { return (fs::u8path(dir) / a / b).string(); }

// The reference plane of the correction: the first calibration frame, whose
// true absolute height is its height plus the station's two offsets.
void correctOnReferencePlane(const HeightRow& reference, const std::string& yml, Session& session) {
  const sim::Station station = sim::datasetStation();
  const double truth = reference.height + station.initZ + station.focusD;
  const HeightMeasurement m = measureHeight(readImage(reference.image), yml);
  if (!m.failure.empty()) throw WorkFailure(reference.image + ": " + m.failure);
  const int code = callExport("correctYml", [&] { return correctYml(m.absolute, truth, yml); });
  requireSuccess("correctYml", code, yml);
  session.output.line("correct: the reference plane measured " + decimalText(m.absolute, 4) + " absolute, truly " +
                      decimalText(truth, 4) + "; initZ shifted by " + decimalText(truth - m.absolute, 4));
  session.output.document()["height"]["correction"] = {{"from", m.absolute}, {"to", truth}};
}

double measureAgainstTruth(const std::string& dir, const std::string& yml, Session& session) {
  const sim::Station station = sim::datasetStation();
  std::vector<ReportRow> rows;
  double worst = 0.0;
  for (const HeightRow& row : readHeightsCsv(under(dir, "height", "measure.csv"))) {
    const HeightMeasurement m = measureHeight(readImage(row.image), yml);
    if (!m.failure.empty()) throw WorkFailure(row.image + ": " + m.failure);
    const double error = m.height - row.height;
    worst = std::max(worst, std::fabs(error));
    ReportRow& measured = rows.emplace_back(ReportRow({}));
    measured.shown("trueHeight", row.height, 2).shown("height", m.height).cells({decimalText(error, 4)});
    measured.shown("absolute", m.absolute).shown("trueAbsolute", row.height + station.initZ + station.focusD);
  }
  const nlohmann::json objects =
      printRows(session.output, {"true height", "measured", "error", "absolute", "true absolute"}, rows);
  session.output.line("measure: worst height error " + decimalText(worst, 4) + " over " + std::to_string(rows.size()) +
                      " frames (limit " + decimalText(kDemoMaxHeightError, 1) + ")");
  session.output.document()["height"]["measurements"] = objects;
  session.output.document()["height"]["worstError"] = worst;
  return worst;
}

std::vector<std::string> arucoViews(const std::string& dir) {
  std::vector<std::string> views;
  for (const auto& entry : fs::directory_iterator(fs::u8path(dir) / "aruco"))
    if (entry.path().filename().string().rfind("view_", 0) == 0) views.push_back(entry.path().string());
  std::sort(views.begin(), views.end());
  return views;
}

// The height road on a simulated dataset written into `dir`: calibrate,
// correct, measure against the true heights. Returns the worst |measured -
// true| relative height over the measurement frames.
double runHeightStage(const std::string& dir, std::uint64_t seedShift, Session& session) {
  writeDatasetPart(dir, [&](const std::string& folder) { sim::writeHeightDataset(folder, seedShift); });
  const std::string yml = under(dir, "height", "calibration.yml");
  const std::vector<HeightRow> rows = readHeightsCsv(under(dir, "height", "heights.csv"));
  const HeightCalibrationRun run = calibrateHeights(rows, yml);
  requireSuccess("getCalibrationParamByLinear", run.code, yml);
  session.output.line("calibrate: " + std::to_string(rows.size()) + " frames at heights " +
                      decimalText(rows.front().height, 0) + " .. " + decimalText(rows.back().height, 0) +
                      ", k = " + decimalText(run.file.k, 6) + ", b = " + decimalText(run.file.b, 6) +
                      ", average fit error " + decimalText(run.averageError, 4));
  session.output.document()["height"] = {{"averageFitError", run.averageError}, {"k", run.file.k}, {"b", run.file.b}};
  correctOnReferencePlane(rows.front(), yml, session);
  return measureAgainstTruth(dir, yml, session);
}

// An ArUco camera calibration on a simulated dataset written into `dir`,
// against the true camera. Returns the larger relative error of the two
// calibrated focal lengths.
double runCameraStage(const std::string& dir, std::uint64_t seedShift, Session& session) {
  writeDatasetPart(dir, [&](const std::string& folder) { sim::writeArucoDataset(folder, seedShift); });
  const std::vector<std::string> views = arucoViews(dir);
  const CameraCalibration c = calibrateFromArucoImages(views);
  const sim::Camera truth = sim::datasetCamera();
  const cv::Mat& k = c.cameraMatrix;
  const double fxError = k.at<double>(0, 0) / truth.fx - 1.0;
  const double fyError = k.at<double>(1, 1) / truth.fy - 1.0;
  Table table{{"", "true", "calibrated", "error"}, {}};
  table.rows.push_back(
      {"fx", decimalText(truth.fx, 2), decimalText(k.at<double>(0, 0), 2), decimalText(100 * fxError, 3) + " %"});
  table.rows.push_back(
      {"fy", decimalText(truth.fy, 2), decimalText(k.at<double>(1, 1), 2), decimalText(100 * fyError, 3) + " %"});
  table.rows.push_back({"cx", decimalText(truth.cx, 2), decimalText(k.at<double>(0, 2), 2),
                        decimalText(k.at<double>(0, 2) - truth.cx, 2) + " px"});
  table.rows.push_back({"cy", decimalText(truth.cy, 2), decimalText(k.at<double>(1, 2), 2),
                        decimalText(k.at<double>(1, 2) - truth.cy, 2) + " px"});
  table.rows.push_back({"k1", decimalText(truth.k1, 4), decimalText(c.distCoeffs.at<double>(0), 4), ""});
  session.output.line("camera: " + std::to_string(views.size()) + " ArUco views, reprojection rms " +
                      decimalText(c.review.rms, 3) + " px");
  session.output.table(table);
  const double worst = std::max(std::fabs(fxError), std::fabs(fyError));
  session.output.line("camera: worst focal length error " + decimalText(100 * worst, 3) + " % (limit " +
                      decimalText(100 * kDemoMaxFocalError, 0) + " %)");
  session.output.document()["camera"] = {
      {"views", views.size()},    {"rms", c.review.rms},      {"fx", k.at<double>(0, 0)}, {"fy", k.at<double>(1, 1)},
      {"cx", k.at<double>(0, 2)}, {"cy", k.at<double>(1, 2)}, {"trueFx", truth.fx},       {"trueFy", truth.fy},
      {"trueCx", truth.cx},       {"trueCy", truth.cy},       {"worstFocalError", worst}};
  return worst;
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
    throw WorkFailure("worst measured height error " + decimalText(heightError, 4) + " is not below " +
                      decimalText(kDemoMaxHeightError, 1));
  if (!(focalError < kDemoMaxFocalError))
    throw WorkFailure("a calibrated focal length is off by " + decimalText(100 * focalError, 3) + " %");
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
