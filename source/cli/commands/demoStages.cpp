// The height and camera stages of the demo (see demoStages.h).
#include "demoStages.h"

#include <talmeqAlgorithm.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "cameraWorkflow.h"
#include "datasetOutput.h"
#include "datasetWriter.h"
#include "failures.h"
#include "heightWorkflow.h"
#include "imageFiles.h"
#include "libraryCall.h"
#include "resultCodes.h"

namespace talmeq::cli {
namespace {

namespace fs = std::filesystem;

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
  session.output.line("correct: the reference plane measured " + fixed(m.absolute, 4) + " absolute, truly " +
                      fixed(truth, 4) + "; initZ shifted by " + fixed(truth - m.absolute, 4));
  session.output.document()["height"]["correction"] = {{"from", m.absolute}, {"to", truth}};
}

double measureAgainstTruth(const std::string& dir, const std::string& yml, Session& session) {
  const sim::Station station = sim::datasetStation();
  Table table{{"true height", "measured", "error", "absolute", "true absolute"}, {}};
  nlohmann::json rows = nlohmann::json::array();
  double worst = 0.0;
  for (const HeightRow& row : readHeightsCsv(under(dir, "height", "measure.csv"))) {
    const HeightMeasurement m = measureHeight(readImage(row.image), yml);
    if (!m.failure.empty()) throw WorkFailure(row.image + ": " + m.failure);
    const double error = m.height - row.height;
    worst = std::max(worst, std::fabs(error));
    const double trueAbsolute = row.height + station.initZ + station.focusD;
    table.rows.push_back(
        {fixed(row.height, 2), fixed(m.height, 4), fixed(error, 4), fixed(m.absolute, 4), fixed(trueAbsolute, 4)});
    rows.push_back(
        {{"trueHeight", row.height}, {"height", m.height}, {"absolute", m.absolute}, {"trueAbsolute", trueAbsolute}});
  }
  session.output.table(table);
  session.output.line("measure: worst height error " + fixed(worst, 4) + " over " + std::to_string(rows.size()) +
                      " frames (limit " + fixed(kDemoMaxHeightError, 1) + ")");
  session.output.document()["height"]["measurements"] = rows;
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

}  // namespace

double runHeightStage(const std::string& dir, std::uint64_t seedShift, Session& session) {
  writeDatasetPart(dir, [&](const std::string& folder) { sim::writeHeightDataset(folder, seedShift); });
  const std::string yml = under(dir, "height", "calibration.yml");
  const std::vector<HeightRow> rows = readHeightsCsv(under(dir, "height", "heights.csv"));
  const HeightCalibrationRun run = calibrateHeights(rows, yml);
  requireSuccess("getCalibrationParamByLinear", run.code, yml);
  session.output.line("calibrate: " + std::to_string(rows.size()) + " frames at heights " +
                      fixed(rows.front().height, 0) + " .. " + fixed(rows.back().height, 0) +
                      ", k = " + fixed(run.file.k, 6) + ", b = " + fixed(run.file.b, 6) + ", average fit error " +
                      fixed(run.averageError, 4));
  session.output.document()["height"] = {{"averageFitError", run.averageError}, {"k", run.file.k}, {"b", run.file.b}};
  correctOnReferencePlane(rows.front(), yml, session);
  return measureAgainstTruth(dir, yml, session);
}

double runCameraStage(const std::string& dir, std::uint64_t seedShift, Session& session) {
  writeDatasetPart(dir, [&](const std::string& folder) { sim::writeArucoDataset(folder, seedShift); });
  const std::vector<std::string> views = arucoViews(dir);
  const CameraCalibration c = calibrateFromArucoImages(views);
  const sim::Camera truth = sim::datasetCamera();
  const cv::Mat& k = c.cameraMatrix;
  const double fxError = k.at<double>(0, 0) / truth.fx - 1.0;
  const double fyError = k.at<double>(1, 1) / truth.fy - 1.0;
  Table table{{"", "true", "calibrated", "error"}, {}};
  table.rows.push_back({"fx", fixed(truth.fx, 2), fixed(k.at<double>(0, 0), 2), fixed(100 * fxError, 3) + " %"});
  table.rows.push_back({"fy", fixed(truth.fy, 2), fixed(k.at<double>(1, 1), 2), fixed(100 * fyError, 3) + " %"});
  table.rows.push_back(
      {"cx", fixed(truth.cx, 2), fixed(k.at<double>(0, 2), 2), fixed(k.at<double>(0, 2) - truth.cx, 2) + " px"});
  table.rows.push_back(
      {"cy", fixed(truth.cy, 2), fixed(k.at<double>(1, 2), 2), fixed(k.at<double>(1, 2) - truth.cy, 2) + " px"});
  table.rows.push_back({"k1", fixed(truth.k1, 4), fixed(c.distCoeffs.at<double>(0), 4), ""});
  session.output.line("camera: " + std::to_string(views.size()) + " ArUco views, reprojection rms " +
                      fixed(c.review.rms, 3) + " px");
  session.output.table(table);
  const double worst = std::max(std::fabs(fxError), std::fabs(fyError));
  session.output.line("camera: worst focal length error " + fixed(100 * worst, 3) + " % (limit " +
                      fixed(100 * kDemoMaxFocalError, 0) + " %)");
  session.output.document()["camera"] = {
      {"views", views.size()},    {"rms", c.review.rms},      {"fx", k.at<double>(0, 0)}, {"fy", k.at<double>(1, 1)},
      {"cx", k.at<double>(0, 2)}, {"cy", k.at<double>(1, 2)}, {"trueFx", truth.fx},       {"trueFy", truth.fy},
      {"trueCx", truth.cx},       {"trueCy", truth.cy},       {"worstFocalError", worst}};
  return worst;
}

}  // namespace talmeq::cli
