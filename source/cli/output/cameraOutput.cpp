// Output of a finished camera calibration: its warnings, the camera file,
// the tables and the quality report (see cameraOutput.h).
#include "cameraOutput.h"

#include <talmeq/annotations.h>
#include <talmeq/cameraFile.h>

#include <cmath>

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

}  // namespace

void finishCamera(const CalibratedViews& v, const std::string& out, Session& session, const BoardDescription* board) {
  const CameraCalibration& c = v.camera;
  CameraFile file{
      c.cameraMatrix, c.distCoeffs, c.imageSize, std::nullopt, cameraWarnings(c.review, c.viewCount, v.names), {}};
  if (c.reviewed()) file.rms = c.review.rms;
  writeOutput(out, [&](const std::string& temporary) {
    return board ? writeCameraFile(temporary, file, c.review, *board) : writeCameraFile(temporary, file);
  });
  const std::vector<std::string>& warnings = file.warnings;
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

}  // namespace talmeq::cli
