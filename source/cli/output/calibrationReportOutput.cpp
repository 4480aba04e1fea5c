// The quality report in text, JSON and the camera file (see
// calibrationReportOutput.h).
#include "calibrationReportOutput.h"

#include <cmath>
#include <ctime>

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
  table.rows.push_back({"", fixed(s.fx, 2), fixed(s.fy, 2), fixed(s.cx, 2), fixed(s.cy, 2), fixed(s.k1, 5),
                        fixed(s.k2, 5), fixed(s.p1, 5), fixed(s.p2, 5), fixed(s.k3, 5)});
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
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &now);
#else
  localtime_r(&now, &parts);
#endif
  char text[64];
  return std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", &parts) > 0 ? text : "";
}

}  // namespace

void showCalibrationReport(const CameraCalibrationReport& r, const std::vector<std::string>& names, Output& output) {
  showViews(r, names, output);
  showUncertainty(r.uncertainty, output);
  output.line("coverage score " + fixed(r.coverageScore, 2) + " over 10 x 10 cells, " +
              fixed(100.0 * r.coveredShare, 0) + " % of the cells covered");
  output.line("cross-validation " + fixed(r.crossValidation, 3) + " px between the cameras of alternate views");
  output.line("straightness " + fixed(r.straightness, 3) + " px: undistorted board rows from their lines");
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
