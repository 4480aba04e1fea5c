// `talmeq measure --yml FILE IMAGE... [--annotate OUT]`: the relative and the
// absolute height of the plane in each image (getPlaneHeightByLinear), with
// the locator's reason for each image without a usable height; with
// --precise also the height from the sub-pixel spot (readHeight), a failed
// row where it contradicts the whole-pixel spot, and a warning when the
// file was fitted from whole-pixel spots.
#include <talmeq/annotations.h>
#include <talmeq/explanations.h>

#include <optional>

#include "commands.h"
#include "heightWorkflow.h"
#include "preciseRows.h"
#include "reportRow.h"

namespace talmeq::cli {
namespace {

struct MeasureOptions {
  std::string yml;
  std::vector<std::string> images;
  std::string annotate;
  bool precise = false;
};

// The measurement of one image, or why it could not be made.
std::optional<HeightMeasurement> measureImage(const cv::Mat& image, const MeasureOptions& options,
                                              const cv::Rect& window, std::string& problem) {
  if (!liesInside(window, image.size())) {
    problem = "the image (" + std::to_string(image.cols) + " x " + std::to_string(image.rows) +
              ") does not hold the calibration's search window " + rectText(window);
    return std::nullopt;
  }
  try {
    return measureHeight(image, options.yml);
  } catch (const WorkFailure& error) {
    problem = error.what();
    return std::nullopt;
  }
}

std::string outcomeText(const HeightMeasurement& m) {
  const std::string heights = m.hasHeights()
                                  ? ", height " + decimalText(m.height, 4) + ", absolute " + decimalText(m.absolute, 4)
                                  : std::string();
  return "result " + std::to_string(m.code) + heights + (m.failure.empty() ? "" : ": " + m.failure);
}

// Measures and reports one image; true when its sub-pixel reading found the
// file fitted from whole-pixel spots.
bool measureOne(const std::string& path, const std::string& annotation, const MeasureOptions& options,
                const cv::Rect& window, ImageRows& rows) {
  const ImageRead read = tryReadImage(path);
  std::string failure = read.problem;
  const std::optional<HeightMeasurement> m =
      read.problem.empty() ? measureImage(read.image, options, window, failure) : std::nullopt;
  const nlohmann::json none;
  const bool heights = m && m->hasHeights();
  if (m) failure = m->failure;
  ReportRow row({"image", "result", "meaning", "height", "absolute", "reason", "annotation"});
  row.hidden("image", path).shown("result", m ? nlohmann::json(m->code) : none);
  row.hidden("meaning", m ? nlohmann::json(resultMeaning("getPlaneHeightByLinear", m->code)) : none);
  row.shown("height", heights ? number(m->height) : none, heights ? decimalText(m->height, 4) : "-");
  row.shown("absolute", heights ? number(m->absolute) : none, heights ? decimalText(m->absolute, 4) : "-");
  std::string rowFailure =
      m && !failure.empty() ? "getPlaneHeightByLinear returned " + std::to_string(m->code) + ": " + failure : failure;
  std::optional<HeightReading> precise;
  if (m && options.precise) {
    try {
      precise = callExport("readHeight", [&] { return readHeight(read.image, options.yml); });
    } catch (const WorkFailure& error) {
      rowFailure = failure = error.what();
    }
  }
  // Where the export found a spot, the sub-pixel reading must find the same.
  if (precise && heights && failure.empty())
    rowFailure = failure = readingsDisagreement("getPlaneHeightByLinear", m->trace.spot, "readHeight", precise->spot);
  if (m && !annotation.empty()) {
    try {
      cv::Mat canvas = annotateMeasurement(read.image, m->trace, outcomeText(*m));
      if (precise) drawPreciseSpot(canvas, precise->spot);
      writeImage(annotation, canvas);
      row.hidden("annotation", annotation);
    } catch (const WorkFailure& error) {
      rowFailure = failure = error.what();
    }
  }
  if (options.precise)
    row.hidden("precise", precise ? preciseObject(*precise) : none).cells(preciseHeightCells(precise));
  rows.add(path, row.hidden("reason", failure.empty() ? none : nlohmann::json(failure)).cells({failure}), rowFailure);
  return precise && precise->wholePixelCalibration;
}

void runMeasure(const MeasureOptions& options, Session& session) {
  const CalibrationFileContent file = readCalibrationFile(options.yml);
  requireCalibration(file, options.yml);
  const cv::Rect window = shiftedWindow(file.values);
  if (window.width < 0 || window.height < 0)
    throw UsageError(options.yml + ": the search window " + rectText(window) + " has a negative size");
  for (const std::string& path : options.images) requireExistingFile(path);
  const std::vector<std::string> annotations = annotationPaths(options.images, options.annotate);
  std::vector<std::string> inputs = options.images;
  inputs.push_back(options.yml);
  refuseOverlaps(annotations, inputs);
  session.output.document()["yml"] = options.yml;
  std::vector<std::string> columns{"result", "height", "absolute"};
  std::vector<std::size_t> widths{6, 9, 9};
  if (options.precise) addPreciseHeightColumns(columns, widths);
  ImageRows rows(session, "measure", options.images, columns, widths);
  bool wholePixelCalibration = false;
  for (std::size_t i = 0; i < options.images.size(); ++i) {
    rows.next(options.images[i]);
    wholePixelCalibration =
        measureOne(options.images[i], annotations[i], options, window, rows) || wholePixelCalibration;
  }
  if (wholePixelCalibration) session.output.warn(wholePixelCalibrationWarning(options.yml));
  rows.raiseIfAny();
}

}  // namespace

Command addMeasureCommand(CLI::App& app) {
  auto options = std::make_shared<MeasureOptions>();
  CLI::App* cmd = app.add_subcommand("measure", "Measure the plane height in each image (getPlaneHeightByLinear)");
  cmd->add_option("images", options->images, "Camera images (8-bit colour)")->required();
  cmd->add_option("--yml", options->yml, "Calibration file written by calibrate")->required();
  cmd->add_option("--annotate", options->annotate,
                  "Draw the search window, the track band, the spot and the outcome into this image file; with "
                  "several images, '-<image name>' is added to its name")
      ->default_str("none");
  cmd->add_flag("--precise", options->precise,
                "Also measure from the sub-pixel spot with the precision layer (readHeight): a 'precise' object "
                "per image with height, axisZ and heightUncertainty, and the centre in the annotation (default: off)");
  return {cmd, nullKeys({"yml", "images"}), [options](Session& session) { runMeasure(*options, session); }};
}

}  // namespace talmeq::cli
