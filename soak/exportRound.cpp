#include "exportRound.h"

#include <calibrationViews.h>
#include <datasetWriter.h>
#include <simulatedStation.h>
#include <talmeqAlgorithm.h>

#include <fstream>
#include <sstream>

#include "arucoApi.h"

namespace talmeq::soak {
namespace {

// FNV-1a over the bytes of everything added.
class Fingerprint {
 public:
  void add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash_ = (hash_ ^ bytes[i]) * 1099511628211ull;
  }
  template <class T>
  Fingerprint& operator<<(const T& value) {
    add(&value, sizeof value);
    return *this;
  }
  template <class T>
  Fingerprint& operator<<(const std::vector<T>& values) {
    *this << values.size();
    for (const T& value : values) *this << value;
    return *this;
  }
  Fingerprint& operator<<(const cv::Mat& matrix) {
    *this << matrix.rows << matrix.cols << matrix.type();
    const cv::Mat whole = matrix.isContinuous() ? matrix : matrix.clone();
    add(whole.data, whole.total() * whole.elemSize());
    return *this;
  }
  Fingerprint& operator<<(const std::string& text) {
    add(text.data(), text.size());
    return *this;
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 14695981039346656037ull;
};

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

Inputs prepareInputs() {
  Inputs in;
  const sim::Station station = sim::datasetStation();
  in.heights = {0.0, 10.0, 20.0, 30.0};
  for (std::size_t i = 0; i < in.heights.size(); ++i)
    in.heightFrames.push_back(sim::stationFrame(station, in.heights[i], 10 + i));
  in.measureFrame = sim::stationFrame(station, 15.0, 99);
  const sim::Camera camera = sim::datasetCamera();
  const sim::Target chess = sim::chessboardTarget();
  in.chessImage = sim::renderView(chess, camera, sim::datasetChessPose(chess)).image;
  const sim::Target board = sim::arucoBoardTarget(talmeq::detail::aruco_api::kDict6x6_250);
  const std::vector<sim::Pose> poses = sim::datasetArucoPoses(board);
  for (const sim::View& view :
       sim::renderViews(board, camera, {poses[1], poses[3], poses[5]}, sim::datasetArucoEffects())) {
    in.arucoImages.push_back(view.image);
    in.arucoIds.emplace_back();
    in.arucoCorners.emplace_back();
    getArucoCorners(view.image, in.arucoIds.back(), in.arucoCorners.back());
  }
  in.cameraSize = camera.size;
  in.cameraMatrix = camera.matrix();
  in.distortion = camera.distortion();
  return in;
}

void writeStartingCalibration(const std::string& path) { sim::writeStartingCalibration(sim::datasetStation(), path); }

const std::vector<std::string>& exportNames() {
  static const std::vector<std::string> names = {"getSpotCoord",
                                                 "getCalibrationParamByLinear",
                                                 "correctYml",
                                                 "getPlaneHeightByLinear",
                                                 "calibChess",
                                                 "getArucoCorners",
                                                 "calibAruco",
                                                 "undistAruco",
                                                 "getCorrectImgByThickness"};
  return names;
}

Round runExportRound(const Inputs& in, int thread, const std::string& path) {
  Round round;
  const auto finish = [&](Fingerprint& fingerprint, int calls = 1) {
    round.fingerprints.push_back(fingerprint.value());
    round.calls += calls;
  };
  Fingerprint spots, calibration, correction, height, chess, corners, aruco, undistorted, thick;
  std::vector<cv::Point> coords(in.heightFrames.size());
  for (std::size_t i = 0; i < coords.size(); ++i) spots << getSpotCoord(in.heightFrames[i], coords[i]) << coords[i];
  finish(spots, static_cast<int>(coords.size()));
  calibration << getCalibrationParamByLinear(in.heights, coords, path) << fileText(path);
  finish(calibration);
  // Equal heights shift nothing, so every round rewrites the same file.
  correction << correctYml(0.5, 0.5, path) << fileText(path);
  finish(correction);
  double measured = 0.0, axisZ = 0.0;
  height << getPlaneHeightByLinear(in.measureFrame, path, measured, axisZ) << measured << axisZ;
  finish(height);

  cv::Mat camera, distortion;
  chess << calibChess(in.chessImage, camera, distortion) << camera << distortion;
  finish(chess);
  std::vector<int> ids;
  std::vector<std::vector<cv::Point2f>> markerCorners;
  corners << getArucoCorners(in.arucoImages[thread % in.arucoImages.size()], ids, markerCorners) << ids;
  for (const auto& marker : markerCorners) corners << marker;
  finish(corners);
  aruco << calibAruco(in.arucoCorners, in.arucoIds, in.cameraSize, camera, distortion) << camera << distortion;
  finish(aruco);
  cv::Mat image;
  undistorted << undistAruco(in.chessImage, in.cameraMatrix, in.distortion, cv::Size(320 + 8 * thread, 240), image)
              << image;
  finish(undistorted);
  thick << getCorrectImgByThickness(in.chessImage, in.cameraMatrix, in.distortion, 2.0 * thread, image) << image;
  finish(thick);
  return round;
}

}  // namespace talmeq::soak
