// `talmeq simulate DIR`: writes a complete synthetic dataset (height series,
// measurement frames with their true heights, a chessboard view and ArUco
// views with the true camera, and with --sweep a characterization sweep), so
// every input format can be seen and tried.
#include <filesystem>

#include "commands.h"
#include "datasetWriter.h"
#include "sweepWriter.h"
#include "terminal.h"

namespace talmeq::cli {
namespace {

struct SimulateOptions {
  std::string dir;
  bool sweep = false;
};

// Files in `folder` whose names start with `prefix`.
std::size_t countFiles(const std::filesystem::path& folder, const std::string& prefix) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    count += entry.path().filename().string().rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}

void runSimulate(const SimulateOptions& options, Session& session) {
  const std::filesystem::path root = std::filesystem::u8path(options.dir);
  std::error_code error;
  if (std::filesystem::exists(root, error) && !std::filesystem::is_directory(root, error))
    throw UsageError("not a directory: " + options.dir);
  Progress progress("simulate", options.sweep ? 4 : 3);
  progress.step("height");
  writeDatasetPart(options.dir, [](const std::string& dir) { sim::writeHeightDataset(dir); });
  progress.step("chess");
  writeDatasetPart(options.dir, sim::writeChessDataset);
  progress.step("aruco");
  writeDatasetPart(options.dir, [](const std::string& dir) { sim::writeArucoDataset(dir); });
  if (options.sweep) {
    progress.step("sweep");
    writeDatasetPart(options.dir, [](const std::string& dir) { sim::writeSweepDataset(dir, sim::datasetStation()); });
  }
  const sim::Camera camera = sim::datasetCamera();
  const auto at = [&](const char* name) { return (root / name).string(); };
  const std::size_t calibFrames = countFiles(root / "height", "calib_");
  const std::size_t measureFrames = countFiles(root / "height", "measure_");
  const std::size_t views = countFiles(root / "aruco", "view_");
  const std::size_t chessViews = countFiles(root / "chess", "view_");
  Table table{{"folder", "contents"}, {}};
  table.rows.push_back({at("height"), "calibration.yml (starting file), heights.csv + " + std::to_string(calibFrames) +
                                          " calib_NN.png, measure.csv + " + std::to_string(measureFrames) +
                                          " measure_NN.png"});
  table.rows.push_back({at("chess"), "chess.png, " + std::to_string(chessViews) + " view_NN.png, camera_truth.yml"});
  table.rows.push_back({at("aruco"), std::to_string(views) + " view_NN.png, camera_truth.yml"});
  if (options.sweep) {
    const sim::SweepDesign design;
    table.rows.push_back({at("sweep"), "sweep.csv + " + std::to_string(countFiles(root / "sweep", "sweep_")) +
                                           " sweep_NNNN.png (" + std::to_string(design.heights) + " heights x " +
                                           std::to_string(design.repeats) + ", " +
                                           std::to_string(design.stabilitySamples) + " timed), truth.csv, truth.yml"});
    session.output.document()["sweep"] = {{"frames", countFiles(root / "sweep", "sweep_")},
                                          {"driftPerMinute", design.driftPerMinute}};
  }
  session.output.table(table);
  session.output.document().update(
      {{"dir", options.dir},
       {"height", {{"calibrationFrames", calibFrames}, {"measureFrames", measureFrames}}},
       {"chess", {{"views", chessViews}}},
       {"aruco", {{"views", views}}},
       {"camera", {{"fx", camera.fx}, {"fy", camera.fy}, {"cx", camera.cx}, {"cy", camera.cy}}}});
}

}  // namespace

Command addSimulateCommand(CLI::App& app) {
  auto options = std::make_shared<SimulateOptions>();
  CLI::App* cmd = app.add_subcommand("simulate", "Write a synthetic dataset of the station and its camera");
  cmd->add_option("dir", options->dir, "Folder to fill (created as needed)")->required();
  cmd->add_flag("--sweep", options->sweep,
                "Also write DIR/sweep: a characterization sweep (21 heights x 20 frames) and a 30-frame stability "
                "series with a known drift, with their truth (default: off)");
  return {cmd, nullKeys({"dir", "height", "chess", "aruco", "camera", "sweep"}),
          [options](Session& session) { runSimulate(*options, session); }};
}

}  // namespace talmeq::cli
