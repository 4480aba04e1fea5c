// Output of a finished camera calibration: its warnings, the camera file,
// the tables and the quality report (see cameraOutput.h).
#include "cameraOutput.h"

#include <talmeq/annotations.h>

#include <cmath>
#include <ctime>

#include "cameraFile.h"
#include "outputFiles.h"
#include "reportRow.h"
#include "verdictOutput.h"

namespace talmeq::cli {
namespace {

std::vector<double> distortionOf(const CameraParameters& p) { return {p.k1, p.k2, p.p1, p.p2, p.k3}; }

nlohmann::json parametersJson(const CameraParameters& p) {
  return {{"fx", p.fx}, {"fy", p.fy}, {"cx", p.cx}, {"cy", p.cy}, {"distortion", distortionOf(p)}};
}

void showViews(const CameraCalibrationReport& r, const std::vector<std::string>& names, Output& output) {
  std::vector<ReportRow> rows;
  for (std::size_t i = 0; i < r.views.size(); ++i) {
    const ViewQuality& q = r.views[i];
    const std::string note = !q.found ? "no board" : q.repeats ? "repeats a view" : q.used ? "yes" : "outlier";
    const nlohmann::json none;
    ReportRow& row = rows.emplace_back(ReportRow({}));
    row.shown("image", names[i]).shown("rms", q.found ? nlohmann::json(q.rms) : none, 3);
    row.shown("tilt", q.found ? nlohmann::json(q.tilt) : none, 1).shown("used", q.used, note);
    row.hidden("points", q.points).hidden("found", q.found).hidden("repeats", q.repeats);
  }
  showRows(output, "views", {"view", "rms (px)", "tilt (deg)", "used"}, rows);
}

void showUncertainty(const CameraParameters& s, Output& output) {
  Table table{{"1 sigma", "fx", "fy", "cx", "cy", "k1", "k2", "p1", "p2", "k3"}, {}};
  table.rows.push_back({"", decimalText(s.fx, 2), decimalText(s.fy, 2), decimalText(s.cx, 2), decimalText(s.cy, 2),
                        decimalText(s.k1, 5), decimalText(s.k2, 5), decimalText(s.p1, 5), decimalText(s.p2, 5),
                        decimalText(s.k3, 5)});
  output.table(table);
}

nlohmann::json coverageJson(const CameraCalibrationReport& r) {
  std::vector<std::vector<int>> grid;
  for (int y = 0; y < r.coverage.rows; ++y)
    grid.emplace_back(r.coverage.ptr<int>(y), r.coverage.ptr<int>(y) + r.coverage.cols);
  return {{"score", number(r.coverageScore)}, {"coveredShare", r.coveredShare}, {"grid", grid}};
}

std::string localTime() {
  const std::time_t now = std::time(nullptr);
  char text[64];
  return std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", std::localtime(&now)) > 0 ? text : "";
}

void writeCameraFile(const std::string& path, const CameraCalibration& c, const std::vector<std::string>& warnings,
                     const CameraFileKeys& moreKeys) {
  sim::CameraFile file{c.cameraMatrix, c.distCoeffs, c.imageSize, std::nullopt};
  if (c.reviewed()) file.rms = c.review.rms;
  writeOutput(path, [&](const std::string& temporary) {
    cv::FileStorage storage(temporary, cv::FileStorage::WRITE);
    if (!storage.isOpened()) return false;
    sim::writeCameraKeys(storage, file);
    if (!warnings.empty()) {
      storage << "calibration_warnings"
              << "[";
      for (const std::string& warning : warnings) storage << warning;
      storage << "]";
    }
    if (moreKeys) moreKeys(storage);
    storage.release();
    return true;
  });
}

}  // namespace

void finishCamera(const CalibratedViews& v, const std::string& out, Session& session, const CameraFileKeys& moreKeys) {
  const CameraCalibration& c = v.camera;
  const std::vector<std::string> warnings = cameraWarnings(c.review, c.viewCount, v.names);
  writeCameraFile(out, c, warnings, moreKeys);
  // The camera's row: the matrix and the first five coefficients in the
  // table; the matrix, every coefficient and the image size in JSON.
  const cv::Mat& k = c.cameraMatrix;
  const std::vector<double> d(c.distCoeffs.begin<double>(), c.distCoeffs.end<double>());
  ReportRow camera({});
  camera.shown("fx", k.at<double>(0, 0), 2).shown("fy", k.at<double>(1, 1), 2);
  camera.shown("cx", k.at<double>(0, 2), 2).shown("cy", k.at<double>(1, 2), 2).hidden("distortion", d);
  for (std::size_t i = 0; i < 5; ++i) camera.cells({decimalText(d.at(i), 5)});
  camera.shown("rms", c.reviewed() ? nlohmann::json(c.review.rms) : nlohmann::json());
  camera.hidden("imageWidth", c.imageSize.width).hidden("imageHeight", c.imageSize.height);
  session.output.table({{"fx", "fy", "cx", "cy", "k1", "k2", "p1", "p2", "k3", "rms (px)"}, {camera.cellTexts()}});
  for (const std::string& warning : warnings) session.output.warn(warning);
  session.output.line("camera (" + std::to_string(c.imageSize.width) + " x " + std::to_string(c.imageSize.height) +
                      ") -> " + out);
  session.output.document().update({{"camera", camera.object()}, {"out", out}});
  if (c.reviewed()) session.output.document()["rms"] = c.review.rms;  // as many views give it
  nlohmann::json written = nlohmann::json::array();
  for (std::size_t i = 0; i < v.annotations.size() && i < c.review.views.size(); ++i) {
    if (v.annotations[i].empty() || !c.review.views[i].used) continue;
    writeImage(v.annotations[i], annotateCorners(v.images[i], c.review.views[i], c.review.rms));
    written.push_back(v.annotations[i]);
  }
  if (!written.empty()) session.output.document()["annotations"] = written;
}

void showCalibrationReport(const CameraCalibrationReport& r, const std::vector<std::string>& names, Output& output) {
  showViews(r, names, output);
  showUncertainty(r.uncertainty, output);
  output.line("coverage score " + decimalText(r.coverageScore, 2) + " over 10 x 10 cells, " +
              decimalText(100.0 * r.coveredShare, 0) + " % of the cells covered");
  output.line("cross-validation " + decimalText(r.crossValidation, 3) + " px between the cameras of alternate views");
  output.line("straightness " + decimalText(r.straightness, 3) + " px: undistorted board rows from their lines");
  output.document().update({{"uncertainty", parametersJson(r.uncertainty)},
                            {"rms", r.rms},
                            {"coverage", coverageJson(r)},
                            {"crossValidation", number(r.crossValidation)},
                            {"straightness", r.straightness}});
  showVerdict(r.checks, r.accepted, output);
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

}  // namespace talmeq::cli
