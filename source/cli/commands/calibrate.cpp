// `talmeq calibrate --yml FILE HEIGHTS.csv [--scale S --dist D --init-z Z
// --focus-d F] [--plot OUT.png] [--precise]`: the linear height calibration
// from a height series, with each point's error and the average error.
// The rows are fitted in ascending height order. The fit is made into a copy
// of the file, read back, and put in the file's place only when it is
// accepted (average error up to 0.2, every spot inside the search window it
// writes); the read-modify-write holds the file's lock. With --precise the spots are read to
// sub-pixel precision and fitted by the precision layer.
#include <talmeq/calibrationLock.h>
#include <talmeq/explanations.h>
#include <talmeq/plots.h>

#include <algorithm>
#include <filesystem>

#include "commands.h"
#include "heightWorkflow.h"
#include "preciseRows.h"
#include "reportRow.h"

namespace talmeq::cli {
namespace {

const std::vector<std::string> kCalibrationExtensions{".yml", ".yaml", ".xml", ".json", ".gz"};

struct CalibrateOptions {
  std::string yml;
  std::string csv;
  std::string plot;
  HeightCalibration settings;  // the four settings of the options
  std::vector<const CLI::Option*> settingOptions;
  bool precise = false;
};

// The settings the fit is made from: the existing file's, or the four
// options' for a file still to be created (`create` is then set).
HeightCalibration settingsToUse(const CalibrateOptions& options, bool& create, Session& session) {
  std::size_t given = 0;
  for (const CLI::Option* option : options.settingOptions) given += option->count() > 0 ? 1 : 0;
  if (given != 0 && given != options.settingOptions.size())
    throw UsageError("--scale, --dist, --init-z and --focus-d go together: give all four or none");
  std::error_code error;
  create = !std::filesystem::exists(std::filesystem::u8path(options.yml), error);
  if (!create) {
    const HeightCalibration settings = readCalibrationFile(options.yml).values;
    requireSettings(settings, options.yml);
    if (given != 0) session.output.warn(options.yml + " exists: its own settings are used, not the four options");
    return settings;
  }
  if (given == 0)
    throw UsageError("calibration file does not exist: " + options.yml +
                     " (give --scale, --dist, --init-z and --focus-d to create it)");
  requireExtension(options.yml, kCalibrationExtensions, "--yml");
  requireSettings(options.settings, "--scale, --dist, --init-z, --focus-d");
  return options.settings;
}

void report(const HeightCalibrationRun& run, Session& session) {
  std::vector<ReportRow> rows;
  for (const CalibrationPoint& p : run.points) {
    // The table shows the point the fit used: the sub-pixel centre where there is one.
    const std::string x = p.precise ? decimalText(p.precise->centre.x, 3) : std::to_string(p.spot.x);
    const std::string y = p.precise ? decimalText(p.precise->centre.y, 3) : std::to_string(p.spot.y);
    ReportRow& row = rows.emplace_back(ReportRow({}));
    row.shown("height", p.height, 3).shown("image", p.image).shown("x", p.spot.x, x).shown("y", p.spot.y, y);
    row.shown("displacement", p.displacement, 6).shown("fitted", p.fitted).shown("error", p.error);
    if (p.precise) row.hidden("precise", preciseObject(*p.precise));
  }
  showRows(session.output, "points", {"height", "image", "x", "y", "displacement", "fitted", "error"}, rows);
  const HeightCalibration& f = run.file;
  const int decimals = run.points.front().precise ? 3 : 0;  // a sub-pixel fit's reference point is fractional
  session.output.line("k = " + decimalText(f.k, 6) + ", b = " + decimalText(f.b, 6) + ", reference (" +
                      decimalText(f.initialX, decimals) + ", " + decimalText(f.initialY, decimals) + "), RoI [" +
                      std::to_string(f.roi.x) + ", " + std::to_string(f.roi.y) + ", " + std::to_string(f.roi.width) +
                      ", " + std::to_string(f.roi.height) + "]");
  session.output.line("average error " + decimalText(run.averageError, 4) +
                      (run.code == 0 ? " (accepted up to 0.2)" : " (above the accepted 0.2: the fit is refused)"));
  session.output.document().update({{"result", run.code},
                                    {"meaning", resultMeaning("getCalibrationParamByLinear", run.code)},
                                    {"averageError", run.averageError},
                                    {"k", f.k},
                                    {"b", f.b},
                                    {"initialX", f.initialX},
                                    {"initialY", f.initialY},
                                    {"roi", {f.roi.x, f.roi.y, f.roi.width, f.roi.height}}});
}

// The rows in ascending height order: the fit takes the first row for its
// reference point, so a shuffled series would give another, wrong fit.
std::vector<HeightRow> lowestFirst(std::vector<HeightRow> rows, Session& session) {
  const auto byHeight = [](const HeightRow& a, const HeightRow& b) { return a.height < b.height; };
  if (std::is_sorted(rows.begin(), rows.end(), byHeight)) return rows;
  std::stable_sort(rows.begin(), rows.end(), byHeight);
  session.output.warn("the rows were taken in ascending height order; the lowest height is the reference point");
  return rows;
}

// Thrown out of the draft's writer so that a fit that was refused is not
// published; the run reports it before failing.
struct FitRefused {
  std::string reason;
};

// Fits into a copy of the calibration file (or a new file from the four
// settings) and puts the copy in its place only when the fit is accepted:
// a refused fit leaves the old file as it was. Returns why the fit was
// refused, or an empty text.
std::string fitIntoDraft(HeightCalibrationRun& run, const CalibrateOptions& options, bool create) {
  try {
    writeOutput(options.yml, [&](const std::string& draft) {
      if (create ? !writeSettings(draft, options.settings)
                 : !std::filesystem::copy_file(std::filesystem::u8path(options.yml), std::filesystem::u8path(draft)))
        return false;
      if (options.precise)
        fitPrecisely(run, draft);
      else
        writeCalibration(run, draft);
      if (run.code != 0)
        throw FitRefused{std::string(options.precise ? "fitHeightModel" : "getCalibrationParamByLinear") +
                         ": average fit error " + decimalText(run.averageError, 4) + " above 0.2"};
      try {
        requireWindowHoldsSpots(run);
      } catch (const WorkFailure& failure) {
        throw FitRefused{failure.what()};
      }
      return true;
    });
  } catch (const FitRefused& refused) {
    return refused.reason;
  }
  return {};
}

void runCalibrate(const CalibrateOptions& options, Session& session) {
  const std::vector<HeightRow> rows = lowestFirst(readHeightsCsv(options.csv), session);
  requireUsableSeries(rows);
  std::vector<std::string> inputs{options.csv};
  for (const HeightRow& row : rows) inputs.push_back(row.image);  // the CSV reader checked each
  if (!options.plot.empty()) requireImageOutput(options.plot);
  refuseOverlaps({options.plot, options.yml}, inputs);
  const CalibrationLock lock(options.yml);
  bool create = false;
  const HeightCalibration settings = settingsToUse(options, create, session);
  session.output.document().update({{"yml", options.yml}, {"created", create}});

  HeightCalibrationRun run = findSpots(rows, options.precise);
  for (const std::string& warning : run.warnings) session.output.warn(warning);
  planCalibration(run, settings);
  const std::string refused = fitIntoDraft(run, options, create);
  if (create && refused.empty()) session.output.line("created " + options.yml + " from the four settings");
  report(run, session);
  if (!options.plot.empty()) {
    std::vector<double> heights;
    LinearFitPreview fit{run.file, {}};
    for (const CalibrationPoint& point : run.points) {
      heights.push_back(point.height);
      fit.displacements.push_back(point.displacement);
    }
    writeImage(options.plot, plotCalibration(heights, fit));
    session.output.document()["plot"] = options.plot;
    session.output.line("plot -> " + options.plot);
  }
  if (!refused.empty())
    throw WorkFailure(options.yml + ": " + refused +
                      " (the fit was refused: " + (create ? "no file was created)" : "the file was left as it was)"));
}

}  // namespace

Command addCalibrateCommand(CLI::App& app) {
  auto options = std::make_shared<CalibrateOptions>();
  CLI::App* cmd = app.add_subcommand("calibrate",
                                     "Fit the linear height calibration from a height series "
                                     "(getSpotCoord, getCalibrationParamByLinear)");
  cmd->add_option("heights", options->csv, "CSV of 'height,image' rows, images relative to its folder")->required();
  cmd->add_option("--yml", options->yml, "Calibration file; must exist unless the four settings are given")->required();
  cmd->add_option("--plot", options->plot, "Draw height against displacement with the fit and errors (an image file)")
      ->default_str("none");
  cmd->add_flag("--precise", options->precise,
                "Read sub-pixel spots and fit with the precision layer (readSpot, fitHeightModel); each point "
                "gets a 'precise' object (default: off)");
  const auto setting = [&](const char* name, double& value, const char* help) {
    options->settingOptions.push_back(cmd->add_option(name, value, help)->check(decimalNumber())->default_str("none"));
  };
  setting("--scale", options->settings.scale, "Creates a missing file: length per pixel (\"scale\", > 0)");
  setting("--dist", options->settings.dist, "Creates a missing file: distance term (\"dist\", > 0)");
  setting("--init-z", options->settings.initZ, "Creates a missing file: first height offset (\"initZ\")");
  setting("--focus-d", options->settings.focusD, "Creates a missing file: second height offset (\"focusD\")");
  return {cmd,
          nullKeys({"yml", "created", "points", "result", "meaning", "k", "b", "initialX", "initialY", "roi",
                    "averageError", "plot"}),
          [options](Session& session) { runCalibrate(*options, session); }};
}

}  // namespace talmeq::cli
