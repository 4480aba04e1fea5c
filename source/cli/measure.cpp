// `talmeq measure --yml FILE IMAGE... [--annotate OUT]`: the relative and the
// absolute height of the plane in each image (getPlaneHeightByLinear).
#include <memory>
#include <optional>

#include "commands.h"
#include "failures.h"
#include "heightWorkflow.h"
#include "imageFiles.h"
#include "libraryCall.h"
#include "measureAnnotation.h"
#include "preciseAnnotation.h"
#include "preciseRows.h"
#include "resultCodes.h"
#include "terminal.h"

namespace talmeq::cli {
namespace {

struct MeasureOptions {
  std::string yml;
  std::vector<std::string> images;
  std::string annotate;
  bool precise = false;
};

void runMeasure(const MeasureOptions& options, Session& session) {
  readHeightCalibration(options.yml);  // refuses a missing or unreadable file before any image is read
  const std::vector<std::string> annotations = annotationPaths(options.images, options.annotate);
  for (const std::string& path : options.images) requireExistingFile(path);
  Table table{{"image", "result", "height", "absolute"}, {}};
  if (options.precise)
    table.columns.insert(table.columns.end(), preciseHeightColumns().begin(), preciseHeightColumns().end());
  nlohmann::json rows = nlohmann::json::array();
  FailureTally failures("getPlaneHeightByLinear");
  Progress progress("measure", options.images.size());
  for (std::size_t i = 0; i < options.images.size(); ++i) {
    progress.step(options.images[i]);
    const cv::Mat image = readImage(options.images[i]);
    const HeightMeasurement m = measureHeight(image, options.yml);
    const std::string meaning(resultMeaning("getPlaneHeightByLinear", m.code));
    table.rows.push_back({options.images[i], std::to_string(m.code) + " (" + meaning + ")",
                          m.hasHeights() ? fixed(m.height, 4) : "-",
                          m.hasHeights() ? fixed(m.axisZ, 4) : "-"});
    nlohmann::json row = {{"image", options.images[i]}, {"result", m.code}, {"meaning", meaning}};
    if (m.hasHeights()) row.update({{"height", m.height}, {"axisZ", m.axisZ}});
    std::optional<HeightReading> precise;
    if (options.precise) {
      precise = callExport("readHeight", [&] { return readHeight(image, options.yml); });
      const std::vector<std::string> cells = preciseHeightCells(*precise);
      table.rows.back().insert(table.rows.back().end(), cells.begin(), cells.end());
      row["precise"] = preciseObject(*precise);
    }
    if (!annotations[i].empty()) {
      cv::Mat canvas = annotateMeasurement(image, traceMeasurement(image, options.yml));
      if (precise) drawPreciseSpot(canvas, precise->spot);
      writeImage(annotations[i], canvas);
      row["annotation"] = annotations[i];
    }
    rows.push_back(row);
    failures.add(options.images[i], m.code);
  }
  session.output.document().update({{"yml", options.yml}, {"images", rows}});
  session.output.table(table);
  failures.raiseIfAny();
}

}  // namespace

Command addMeasureCommand(CLI::App& app) {
  auto options = std::make_shared<MeasureOptions>();
  CLI::App* cmd =
      app.add_subcommand("measure", "Measure the plane height in each image (getPlaneHeightByLinear)");
  cmd->add_option("images", options->images, "Camera images (8-bit colour)")->required();
  cmd->add_option("--yml", options->yml, "Calibration file written by calibrate")->required();
  cmd->add_option("--annotate", options->annotate,
                  "Draw the search window, the track band and the spot into this image file; with several "
                  "images, '-<image name>' is added to its name")
      ->default_str("none");
  cmd->add_flag("--precise", options->precise,
                "Also measure from the sub-pixel spot with the precision layer (readHeight): a 'precise' object "
                "per image with height, axisZ and heightUncertainty, and the centre in the annotation (default: off)");
  return {cmd, [options](Session& session) { runMeasure(*options, session); }};
}

}  // namespace talmeq::cli
