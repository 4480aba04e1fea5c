// `talmeq simulate DIR`: writes a complete synthetic dataset (height series,
// measurement frames with their true heights, a chessboard view and ArUco
// views with the true camera), so every input format can be seen and tried.
#include <filesystem>
#include <memory>

#include "commands.h"
#include "datasetOutput.h"
#include "datasetWriter.h"
#include "failures.h"
#include "terminal.h"

namespace talmeq::cli {
namespace {

struct SimulateOptions {
  std::string dir;
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
  Progress progress("simulate", 3);
  progress.step("height");
  writeDatasetPart(options.dir, sim::writeHeightDataset);
  progress.step("chess");
  writeDatasetPart(options.dir, sim::writeChessDataset);
  progress.step("aruco");
  writeDatasetPart(options.dir, sim::writeArucoDataset);
  const sim::Camera camera = sim::datasetCamera();
  const auto at = [&](const char* name) { return (root / name).string(); };
  const std::size_t calibFrames = countFiles(root / "height", "calib_");
  const std::size_t measureFrames = countFiles(root / "height", "measure_");
  const std::size_t views = countFiles(root / "aruco", "view_");
  Table table{{"folder", "contents"}, {}};
  table.rows.push_back({at("height"), "calibration.yml (starting file), heights.csv + " +
                                          std::to_string(calibFrames) + " calib_NN.png, measure.csv + " +
                                          std::to_string(measureFrames) + " measure_NN.png"});
  table.rows.push_back({at("chess"), "chess.png, camera_truth.yml"});
  table.rows.push_back({at("aruco"), std::to_string(views) + " view_NN.png, camera_truth.yml"});
  session.output.table(table);
  session.output.document().update(
      {{"dir", options.dir},
       {"height", {{"calibrationFrames", calibFrames}, {"measureFrames", measureFrames}}},
       {"aruco", {{"views", views}}},
       {"camera", {{"fx", camera.fx}, {"fy", camera.fy}, {"cx", camera.cx}, {"cy", camera.cy}}}});
}

}  // namespace

Command addSimulateCommand(CLI::App& app) {
  auto options = std::make_shared<SimulateOptions>();
  CLI::App* cmd = app.add_subcommand("simulate", "Write a synthetic dataset of the station and its camera");
  cmd->add_option("dir", options->dir, "Folder to fill (created as needed)")->required();
  return {cmd, nullKeys({"dir", "height", "aruco", "camera"}), [options](Session& session) { runSimulate(*options, session); }};
}

}  // namespace talmeq::cli
