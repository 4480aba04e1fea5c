// `talmeq calibrate --yml FILE HEIGHTS.csv [--scale S --dist D --init-z Z
// --focus-d F] [--plot OUT.png]`: the linear height calibration from a
// height series, with each point's error and the average error.
#include <filesystem>
#include <memory>

#include "calibrationPlot.h"
#include "commands.h"
#include "failures.h"
#include "heightWorkflow.h"
#include "imageFiles.h"
#include "preciseCalibration.h"
#include "preciseRows.h"
#include "resultCodes.h"

namespace talmeq::cli {
namespace {

struct CalibrateOptions {
  std::string yml;
  std::string csv;
  std::string plot;
  StationSettings settings;
  std::vector<const CLI::Option*> settingOptions;
  bool precise = false;
};

// Creates the starting file from the four settings when it does not exist;
// returns whether it did.
bool prepareFile(const CalibrateOptions& options) {
  std::size_t given = 0;
  for (const CLI::Option* option : options.settingOptions) given += option->count() > 0 ? 1 : 0;
  if (given != 0 && given != options.settingOptions.size())
    throw UsageError("--scale, --dist, --init-z and --focus-d go together: give all four or none");
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::u8path(options.yml), error)) return false;
  if (given == 0)
    throw UsageError("calibration file does not exist: " + options.yml +
                     " (give --scale, --dist, --init-z and --focus-d to create it)");
  if (options.settings.dist == 0.0) throw UsageError("--dist must not be 0");
  requireWritableLocation(options.yml);
  writeStartingFile(options.yml, options.settings);
  return true;
}

void report(const HeightCalibrationRun& run, Session& session) {
  Table table{{"height", "image", "spot", "displacement", "fitted", "error"}, {}};
  nlohmann::json points = nlohmann::json::array();
  for (const CalibrationPoint& p : run.points) {
    table.rows.push_back({fixed(p.height, 3), p.image,
                          p.precise ? subPixelText(*p.precise)
                                    : "(" + std::to_string(p.spot.x) + ", " + std::to_string(p.spot.y) + ")",
                          fixed(p.displacement, 6), fixed(p.fitted, 4), fixed(p.error, 4)});
    points.push_back({{"height", p.height},
                      {"image", p.image},
                      {"x", p.spot.x},
                      {"y", p.spot.y},
                      {"displacement", p.displacement},
                      {"fitted", p.fitted},
                      {"error", p.error}});
    if (p.precise) points.back()["precise"] = preciseObject(*p.precise);
  }
  const int referenceDecimals = run.points.front().precise ? 3 : 0;
  session.output.table(table);
  const HeightCalibration& f = run.file;
  session.output.line("k = " + fixed(f.k, 6) + ", b = " + fixed(f.b, 6) + ", reference (" +
                      fixed(f.initialX, referenceDecimals) + ", " + fixed(f.initialY, referenceDecimals) +
                      "), RoI [" + std::to_string(f.roi.x) + ", " + std::to_string(f.roi.y) + ", " +
                      std::to_string(f.roi.width) + ", " + std::to_string(f.roi.height) + "]");
  session.output.line("average error " + fixed(run.averageError, 4) + " (accepted up to 0.2)");
  session.output.document().update({{"result", run.code},
                                    {"points", points},
                                    {"averageError", run.averageError},
                                    {"k", f.k},
                                    {"b", f.b},
                                    {"initialX", f.initialX},
                                    {"initialY", f.initialY},
                                    {"roi", {f.roi.x, f.roi.y, f.roi.width, f.roi.height}}});
}

void runCalibrate(const CalibrateOptions& options, Session& session) {
  const std::vector<HeightRow> rows = readHeightsCsv(options.csv);
  if (!options.plot.empty()) requireWritableLocation(options.plot);
  const bool created = prepareFile(options);
  session.output.document().update({{"yml", options.yml}, {"created", created}});
  if (created) session.output.line("created " + options.yml + " from the four settings");
  const HeightCalibrationRun run =
      options.precise ? calibrateHeightsPrecisely(rows, options.yml) : calibrateHeights(rows, options.yml);
  report(run, session);
  if (!options.plot.empty()) {
    writeImage(options.plot, plotCalibration(run));
    session.output.document()["plot"] = options.plot;
    session.output.line("plot -> " + options.plot);
  }
  if (options.precise && run.code != 0)
    throw LibraryFailure(options.yml + ": fitHeightModel: average fit error above 0.2 (the file was written anyway)");
  requireSuccess("getCalibrationParamByLinear", run.code, options.yml);
}

}  // namespace

Command addCalibrateCommand(CLI::App& app) {
  auto options = std::make_shared<CalibrateOptions>();
  CLI::App* cmd = app.add_subcommand("calibrate",
                                     "Fit the linear height calibration from a height series "
                                     "(getSpotCoord, getCalibrationParamByLinear)");
  cmd->add_option("heights", options->csv, "CSV of 'height,image' rows, images relative to its folder")
      ->required();
  cmd->add_option("--yml", options->yml, "Calibration file; must exist unless the four settings are given")
      ->required();
  cmd->add_flag("--precise", options->precise,
               "Read sub-pixel spots and fit with the precision layer (readSpot, fitHeightModel); each point "
               "gets a 'precise' object (default: off)");
  cmd->add_option("--plot", options->plot, "Draw height against displacement with the fit and errors (PNG)")
      ->default_str("none");
  const auto setting = [&](const char* name, double& value, const char* help) {
    options->settingOptions.push_back(cmd->add_option(name, value, help)->default_str("none"));
  };
  setting("--scale", options->settings.scale, "Creates a missing file: length per pixel (\"scale\")");
  setting("--dist", options->settings.dist, "Creates a missing file: distance term (\"dist\")");
  setting("--init-z", options->settings.initZ, "Creates a missing file: first height offset (\"initZ\")");
  setting("--focus-d", options->settings.focusD, "Creates a missing file: second height offset (\"focusD\")");
  return {cmd, [options](Session& session) { runCalibrate(*options, session); }};
}

}  // namespace talmeq::cli
