// `talmeq spot IMAGE... [--annotate OUT]`: getSpotCoord on each image, with
// the reason for every image without a spot and a warning when the spot was
// one choice among several, both from the detector's own trace; with
// --precise also the sub-pixel reading of the precision layer (readSpot).
#include <talmeq/annotations.h>
#include <talmeq/explanations.h>
#include <talmeq/resultCodes.h>
#include <talmeqAlgorithm.h>

#include <optional>

#include "commands.h"
#include "preciseRows.h"
#include "reportRow.h"

namespace talmeq::cli {
namespace {

struct SpotOptions {
  std::vector<std::string> images;
  std::string annotate;
  bool precise = false;
};

struct SpotResult {
  std::optional<int> code;  // unset when the export was not called or raised an error
  cv::Point coord;
  std::string failure;  // why there is no spot; empty when found
  std::string warning;
  std::optional<SpotReading> precise;  // with --precise, when the image was read
  std::string disagreement;            // the two readings contradict each other: how
};

SpotResult findSpot(const cv::Mat& image, bool precise, SpotDetectionRecord& trace) {
  SpotResult result;
  try {
    result.code = callExport("getSpotCoord", [&] { return getSpotCoord(image, result.coord); });
    trace = recordSpotDetection(image);
  } catch (const WorkFailure& error) {
    result.failure = error.what();
    return result;
  }
  try {
    if (precise) result.precise = callExport("readSpot", [&] { return readSpot(image); });
  } catch (const WorkFailure& error) {
    // Where the export found no spot, its reason stands; the precision
    // layer's refusal (an image too small for the window) says no more.
    if (*result.code == 0) {
      result.failure = error.what();
      return result;
    }
  }
  if (result.precise && *result.code == 0)
    result.disagreement = readingsDisagreement("getSpotCoord", result.coord, "readSpot", *result.precise);
  if (*result.code == 0)
    result.warning = spotWarning(trace);
  else
    result.failure = *result.code == kTextException ? std::string(resultMeaning("getSpotCoord", *result.code))
                                                    : spotFailureReason(image, trace);
  return result;
}

std::string outcomeText(const SpotResult& r) {
  if (!r.failure.empty()) return "result " + std::to_string(r.code.value_or(0)) + ": " + r.failure;
  return "result 0: spot at (" + std::to_string(r.coord.x) + ", " + std::to_string(r.coord.y) + ")" +
         (r.warning.empty() ? "" : "; " + r.warning);
}

void spotImage(const std::string& path, const SpotOptions& options, const std::string& annotation, ImageRows& rows,
               Session& session) {
  const ImageRead read = tryReadImage(path);
  SpotResult result;
  SpotDetectionRecord trace;
  if (read.problem.empty())
    result = findSpot(read.image, options.precise, trace);
  else
    result.failure = read.problem;
  const bool found = result.failure.empty();
  const nlohmann::json none;
  ReportRow row({"image", "result", "meaning", "x", "y", "reason", "annotation"});
  row.hidden("image", path).shown("result", result.code ? nlohmann::json(*result.code) : none);
  row.hidden("meaning", result.code ? nlohmann::json(resultMeaning("getSpotCoord", *result.code)) : none);
  row.shown("x", found ? nlohmann::json(result.coord.x) : none)
      .shown("y", found ? nlohmann::json(result.coord.y) : none);
  if (options.precise)
    row.hidden("precise", result.precise ? preciseObject(*result.precise) : none)
        .cells(preciseSpotCells(result.precise));
  if (!found || !result.disagreement.empty()) row.hidden("reason", found ? result.disagreement : result.failure);
  if (!result.warning.empty()) session.output.warn(path + ": " + result.warning, false);
  // The row's note: the reason, the warning, or a failed annotation.
  std::string note = !found ? result.failure : !result.disagreement.empty() ? result.disagreement : result.warning;
  std::string failure = found ? result.disagreement : result.failure;
  if (!found && result.code) failure = "getSpotCoord returned " + std::to_string(*result.code) + ": " + failure;
  if (!annotation.empty() && read.problem.empty() && result.code) {
    try {
      cv::Mat canvas = annotateSpot(read.image, trace, found, result.coord, outcomeText(result));
      if (result.precise) drawPreciseSpot(canvas, *result.precise);
      writeImage(annotation, canvas);
      row.hidden("annotation", annotation);
    } catch (const WorkFailure& error) {
      note = failure = error.what();
    }
  }
  rows.add(path, row.cells({note}), failure);
}

void runSpot(const SpotOptions& options, Session& session) {
  for (const std::string& path : options.images) requireExistingFile(path);
  const std::vector<std::string> annotations = annotationPaths(options.images, options.annotate);
  refuseOverlaps(annotations, options.images);
  std::vector<std::string> columns{"result", "x", "y"};
  std::vector<std::size_t> widths{6, 5, 5};
  if (options.precise) addPreciseSpotColumns(columns, widths);
  ImageRows rows(session, "spot", options.images, columns, widths);
  for (std::size_t i = 0; i < options.images.size(); ++i) {
    rows.next(options.images[i]);
    spotImage(options.images[i], options, annotations[i], rows, session);
  }
  rows.raiseIfAny();
}

}  // namespace

Command addSpotCommand(CLI::App& app) {
  auto options = std::make_shared<SpotOptions>();
  CLI::App* spot = app.add_subcommand("spot", "Find the laser spot in each image (getSpotCoord)");
  spot->add_option("images", options->images, "Camera images (8-bit colour)")->required();
  spot->add_option("--annotate", options->annotate,
                   "Draw the detection window, the screened candidates, the spot and the outcome into this "
                   "image file; with several images, '-<image name>' is added to its name")
      ->default_str("none");
  spot->add_flag("--precise", options->precise,
                 "Also read the sub-pixel centre with its quality record (readSpot): a 'precise' object per image "
                 "and, in the annotation, the centre with its uncertainty (default: off)");
  return {spot, nullKeys({"images"}), [options](Session& session) { runSpot(*options, session); }};
}

}  // namespace talmeq::cli
