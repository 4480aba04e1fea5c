// Writes the synthetic dataset (see datasetWriter.h).
#include "datasetWriter.h"

#include <talmeq/cameraFile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <stdexcept>

#include "arucoApi.h"
#include "viewPoses.h"

namespace talmeq::sim {
namespace {

namespace fs = std::filesystem;

constexpr int kMeasureFrames = 20;
constexpr std::uint64_t kCalibrationSeed = 100;  // pixel noise of calib_NN
constexpr std::uint64_t kMeasureSeed = 500;      // pixel noise of measure_NN
constexpr int kChessViews = 12;
constexpr std::uint64_t kChessViewSeed = 7;  // poses of the chessboard's many views
constexpr double kChessViewFraction = 0.5;   // board width over image width
constexpr int kArucoCoveringViews = 4;       // ArUco views that reach the image's edges
constexpr std::uint64_t kArucoViewSeed = 11;
constexpr double kArucoViewFraction = 0.55;

fs::path subfolder(const std::string& dir, const char* name) {
  const fs::path folder = fs::u8path(dir) / name;
  fs::create_directories(folder);
  return folder;
}

// "calib_07.png" for prefix "calib" and index 7.
std::string frameName(const char* prefix, std::size_t index) {
  char name[64];
  std::snprintf(name, sizeof name, "%s_%02zu.png", prefix, index);
  return name;
}

void writePng(const fs::path& path, const cv::Mat& image) {
  if (!cv::imwrite(path.string(), image)) throw std::runtime_error("cannot write " + path.string());
}

// Renders one frame per height and lists them in a "height,image" CSV.
void writeHeightFrames(const fs::path& folder, const char* prefix, const std::vector<double>& heights,
                       std::uint64_t seed, const char* csvName) {
  const Station station = datasetStation();
  std::ofstream csv(folder / csvName);
  csv << "height,image\n";
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const std::string name = frameName(prefix, i);
    writePng(folder / name, stationFrame(station, heights[i], seed + i));
    csv << heights[i] << ',' << name << '\n';
  }
  if (!csv) throw std::runtime_error("cannot write " + (folder / csvName).string());
}

void writeTrueCamera(const fs::path& folder) {
  const Camera camera = datasetCamera();
  cv::FileStorage storage((folder / "camera_truth.yml").string(), cv::FileStorage::WRITE);
  if (!storage.isOpened()) throw std::runtime_error("cannot write " + (folder / "camera_truth.yml").string());
  writeCameraKeys(storage, {camera.matrix(), camera.distortion(), camera.size, std::nullopt, {}, {}});
}

}  // namespace

std::vector<double> datasetCalibrationHeights() { return {0.0, 5.0, 10.0, 15.0, 20.0, 25.0, 30.0}; }

std::vector<double> datasetMeasureHeights() {
  std::vector<double> heights;
  for (int i = 0; i < kMeasureFrames; ++i) heights.push_back(0.75 + 1.5 * i);
  return heights;
}

Station datasetStation() { return Station{}; }

Camera datasetCamera() {
  Camera camera;
  camera.k1 = -0.12;
  camera.k2 = 0.06;
  camera.p1 = 0.0008;
  camera.p2 = -0.0006;
  camera.k3 = -0.01;
  return camera;
}

Pose datasetChessPose(const Target& chess) { return boardPose(chess, 480.0, 18.0, -14.0, 4.0); }

std::vector<Pose> datasetChessViewPoses(const Target& chess) {
  return coveringPoses(chess, datasetCamera(), kChessViews, kChessViewSeed, kChessViewFraction);
}

std::vector<Pose> datasetArucoPoses(const Target& board) {
  return {boardPose(board, 4200.0, 0.0, 0.0, 2.0),      boardPose(board, 4300.0, 30.0, 0.0, -5.0),
          boardPose(board, 4300.0, -30.0, 0.0, 5.0),    boardPose(board, 4300.0, 0.0, 32.0, 0.0),
          boardPose(board, 4300.0, 0.0, -32.0, -3.0),   boardPose(board, 4500.0, 22.0, 22.0, 15.0),
          boardPose(board, 4500.0, -22.0, 22.0, -15.0), boardPose(board, 4500.0, 20.0, -25.0, 10.0)};
}

std::vector<Pose> datasetArucoViewPoses(const Target& board, std::uint64_t seedShift) {
  std::vector<Pose> poses = datasetArucoPoses(board);
  for (const Pose& pose :
       coveringPoses(board, datasetCamera(), kArucoCoveringViews, kArucoViewSeed + seedShift, kArucoViewFraction))
    poses.push_back(pose);
  return poses;
}

ViewEffects datasetArucoEffects() {
  ViewEffects effects;
  effects.blurSigma = 0.6;
  effects.noise = 2.0;
  effects.lighting = 0.35;
  return effects;
}

void writeHeightDataset(const std::string& dir, std::uint64_t seedShift) {
  const fs::path folder = subfolder(dir, "height");
  writeStartingCalibration(datasetStation(), (folder / "calibration.yml").string());
  writeHeightFrames(folder, "calib", datasetCalibrationHeights(), kCalibrationSeed + seedShift, "heights.csv");
  writeHeightFrames(folder, "measure", datasetMeasureHeights(), kMeasureSeed + seedShift, "measure.csv");
}

void writeChessDataset(const std::string& dir) {
  const fs::path folder = subfolder(dir, "chess");
  const Target chess = chessboardTarget();
  writePng(folder / "chess.png", renderView(chess, datasetCamera(), datasetChessPose(chess)).image);
  const std::vector<View> views =
      renderViews(chess, datasetCamera(), datasetChessViewPoses(chess), datasetArucoEffects());
  for (std::size_t i = 0; i < views.size(); ++i) writePng(folder / frameName("view", i), views[i].image);
  writeTrueCamera(folder);
}

void writeArucoDataset(const std::string& dir, std::uint64_t seedShift) {
  const fs::path folder = subfolder(dir, "aruco");
  const Target board = arucoBoardTarget(detail::aruco_api::kDict6x6_250);
  const std::vector<View> views =
      renderViews(board, datasetCamera(), datasetArucoViewPoses(board, seedShift), datasetArucoEffects());
  for (std::size_t i = 0; i < views.size(); ++i) writePng(folder / frameName("view", i), views[i].image);
  writeTrueCamera(folder);
}

void writeDataset(const std::string& dir) {
  writeHeightDataset(dir);
  writeChessDataset(dir);
  writeArucoDataset(dir);
}

}  // namespace talmeq::sim
