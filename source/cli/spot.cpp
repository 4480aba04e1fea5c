// `talmeq spot IMAGE... [--annotate OUT]`: getSpotCoord on each image.
#include <talmeqAlgorithm.h>

#include <memory>
#include <optional>

#include "commands.h"
#include "failures.h"
#include "imageFiles.h"
#include "libraryCall.h"
#include "preciseAnnotation.h"
#include "preciseRows.h"
#include "resultCodes.h"
#include "spotAnnotation.h"
#include "terminal.h"

namespace talmeq::cli {
namespace {

struct SpotOptions {
  std::vector<std::string> images;
  std::string annotate;
  bool precise = false;
};

struct SpotResult {
  int code = 0;
  cv::Point coord;
  std::optional<SpotReading> precise;
};

SpotResult findSpot(const std::string& path, const std::string& annotation, bool precise) {
  const cv::Mat image = readImage(path);
  SpotResult result;
  result.code = callExport("getSpotCoord", [&] { return getSpotCoord(image, result.coord); });
  if (precise) result.precise = callExport("readSpot", [&] { return readSpot(image); });
  if (annotation.empty()) return result;
  cv::Mat canvas = annotateSpot(image, spot::traceSpot(image), result.code == 0, result.coord);
  if (result.precise) drawPreciseSpot(canvas, *result.precise);
  writeImage(annotation, canvas);
  return result;
}

void runSpot(const SpotOptions& options, Session& session) {
  const std::vector<std::string> annotations = annotationPaths(options.images, options.annotate);
  for (const std::string& path : options.images) requireExistingFile(path);
  Table table{{"image", "result", "x", "y"}, {}};
  if (options.precise)
    table.columns.insert(table.columns.end(), preciseSpotColumns().begin(), preciseSpotColumns().end());
  nlohmann::json rows = nlohmann::json::array();
  FailureTally failures("getSpotCoord");
  Progress progress("spot", options.images.size());
  for (std::size_t i = 0; i < options.images.size(); ++i) {
    progress.step(options.images[i]);
    const SpotResult spot = findSpot(options.images[i], annotations[i], options.precise);
    const std::string meaning(resultMeaning("getSpotCoord", spot.code));
    const bool found = spot.code == 0;
    table.rows.push_back({options.images[i], std::to_string(spot.code) + " (" + meaning + ")",
                          found ? std::to_string(spot.coord.x) : "-", found ? std::to_string(spot.coord.y) : "-"});
    nlohmann::json row = {{"image", options.images[i]}, {"result", spot.code}, {"meaning", meaning}};
    if (found) row.update({{"x", spot.coord.x}, {"y", spot.coord.y}});
    if (spot.precise) {
      const std::vector<std::string> cells = preciseSpotCells(*spot.precise);
      table.rows.back().insert(table.rows.back().end(), cells.begin(), cells.end());
      row["precise"] = preciseObject(*spot.precise);
    }
    if (!annotations[i].empty()) row["annotation"] = annotations[i];
    rows.push_back(row);
    failures.add(options.images[i], spot.code);
  }
  session.output.document()["images"] = rows;
  session.output.table(table);
  failures.raiseIfAny();
}

}  // namespace

Command addSpotCommand(CLI::App& app) {
  auto options = std::make_shared<SpotOptions>();
  CLI::App* spot = app.add_subcommand("spot", "Find the laser spot in each image (getSpotCoord)");
  spot->add_option("images", options->images, "Camera images (8-bit colour)")->required();
  spot->add_option("--annotate", options->annotate,
                   "Draw the detection window, the screened candidates and the spot into this "
                   "image file; with several images, '-<image name>' is added to its name")
      ->default_str("none");
  spot->add_flag("--precise", options->precise,
                 "Also read the sub-pixel centre with its quality record (readSpot): a 'precise' object per image "
                 "and, in the annotation, the centre with its uncertainty (default: off)");
  return {spot, [options](Session& session) { runSpot(*options, session); }};
}

}  // namespace talmeq::cli
