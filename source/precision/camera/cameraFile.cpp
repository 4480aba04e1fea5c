// Camera files (see talmeq/cameraFile.h).
#include <talmeq/cameraFile.h>

#include <ctime>

namespace talmeq {
namespace {

std::string localTime() {
  const std::time_t now = std::time(nullptr);
  char text[64];
  return std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", std::localtime(&now)) > 0 ? text : "";
}

// The camera's keys and its warnings, then whatever `more` adds.
template <class More>
bool writeFile(const std::string& path, const CameraFile& camera, More&& more) {
  cv::FileStorage storage(path, cv::FileStorage::WRITE);
  if (!storage.isOpened()) return false;
  writeCameraKeys(storage, camera);
  if (!camera.warnings.empty()) {
    storage << "calibration_warnings"
            << "[";
    for (const std::string& warning : camera.warnings) storage << warning;
    storage << "]";
  }
  more(storage);
  storage.release();
  return true;
}

void writeReportKeys(cv::FileStorage& storage, const CameraCalibrationReport& r, const BoardDescription& board) {
  std::vector<double> errors;
  for (const ViewQuality& q : r.views)
    if (q.used) errors.push_back(q.rms);
  storage << "calibration_time" << localTime();
  storage << "nr_of_frames" << r.usedViews;
  storage << "per_view_reprojection_errors" << cv::Mat(errors, true);
  static const char* const kTypes[] = {"chessboard", "aruco-grid", "charuco"};
  storage << "board_type" << kTypes[static_cast<int>(board.type)];
  storage << "board_width" << board.columns << "board_height" << board.rows;
  if (board.type != BoardType::kArucoGrid) storage << "square_size" << board.square;
  if (board.type != BoardType::kChessboard) storage << "marker_length" << board.marker;
  if (board.type == BoardType::kArucoGrid) storage << "marker_separation" << board.separation;
  if (board.type != BoardType::kChessboard) storage << "dictionary" << board.dictionary << "first_id" << board.firstId;
  const CameraParameters& s = r.uncertainty;
  storage << "intrinsic_standard_deviations"
          << cv::Mat(std::vector<double>{s.fx, s.fy, s.cx, s.cy, s.k1, s.k2, s.p1, s.p2, s.k3}, true);
  storage << "verdict" << (r.accepted ? "pass" : "fail");
  storage << "verdict_checks"
          << "[";
  for (const VerdictCheck& c : r.checks)
    storage << (c.name + ": " + std::to_string(c.value) + (c.passed ? " passes " : " fails ") + c.rule);
  storage << "]";
}

}  // namespace

bool writeCameraFile(const std::string& path, const CameraFile& camera) {
  return writeFile(path, camera, [](cv::FileStorage&) {});
}

bool writeCameraFile(const std::string& path, const CameraFile& camera, const CameraCalibrationReport& report,
                     const BoardDescription& board) {
  return writeFile(path, camera, [&](cv::FileStorage& storage) { writeReportKeys(storage, report, board); });
}

bool readCameraFile(const std::string& path, CameraFile& camera) {
  cv::FileStorage storage;
  try {
    if (!storage.open(path, cv::FileStorage::READ)) return false;
  } catch (const cv::Exception&) {
    return false;  // not a file cv::FileStorage can parse
  }
  storage["camera_matrix"] >> camera.cameraMatrix;
  storage["distortion_coefficients"] >> camera.distCoeffs;
  for (cv::Mat* matrix : {&camera.cameraMatrix, &camera.distCoeffs})
    if (matrix->type() == CV_32F) matrix->convertTo(*matrix, CV_64F);
  int width = 0, height = 0;
  storage["image_width"] >> width;
  storage["image_height"] >> height;
  camera.imageSize = {width, height};
  const cv::FileNode rms = storage["avg_reprojection_error"];
  if (rms.isReal() || rms.isInt()) camera.rms = static_cast<double>(rms);
  const cv::FileNode warnings = storage["calibration_warnings"];
  camera.warnings.clear();
  if (warnings.isSeq())
    for (const cv::FileNode& warning : warnings) camera.warnings.push_back(static_cast<std::string>(warning));
  camera.verdict = static_cast<std::string>(storage["verdict"]);
  return true;
}

}  // namespace talmeq
