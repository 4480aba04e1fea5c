// `talmeq characterize --yml CAL DATA.csv`: how far a calibrated station
// can be trusted, from planes of known height: linearity and offset over the
// range, repeatability at fixed heights and drift over time, with a verdict
// that names the checks the rows could not give. The
// heights come from the precision layer (sub-pixel spots, with a predicted
// repeatability) unless `--integer` asks for the library's
// getPlaneHeightByLinear. Rows without a height are listed and count
// against the verdict; a failed verdict is a failed run.
#include <talmeq/plots.h>

#include <algorithm>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "characterizationOutput.h"
#include "commands.h"
#include "heightCalibrationFile.h"
#include "heightWorkflow.h"
#include "heightsCsv.h"
#include "preciseRows.h"
#include "verdictOutput.h"

namespace talmeq::cli {
namespace {

struct CharacterizeOptions {
  std::string yml;
  std::string csv;
  bool integer = false;
  std::string plot;
  CharacterizationThresholds thresholds;
};

// The three files for `prefix`: PREFIX-linearity.png, -repeatability.png,
// -stability.png.
std::vector<std::string> characterizationPlotPaths(const std::string& prefix) {
  // A prefix given as an image name (station.png) names the three images
  // station-linearity.png, ... in its format, not station.png-linearity.png.
  const std::filesystem::path given = std::filesystem::u8path(prefix);
  const std::string extension = given.extension().u8string();
  const bool imageName = !extension.empty() && given.has_stem() && cv::haveImageWriter("plot" + extension);
  const std::string stem = imageName ? prefix.substr(0, prefix.size() - extension.size()) : prefix;
  const std::string suffix = imageName ? extension : ".png";
  return {stem + "-linearity" + suffix, stem + "-repeatability" + suffix, stem + "-stability" + suffix};
}

void writePlots(const CharacterizeOptions& options, const std::vector<HeightSample>& samples,
                const StationCharacterization& c, Session& session) {
  const std::vector<std::string> paths = characterizationPlotPaths(options.plot);
  const CharacterizationThresholds& t = options.thresholds;
  writeImage(paths[0], plotLinearity(samples, c, t));
  writeImage(paths[1], plotRepeatability(c, t));
  writeImage(paths[2], plotStability(samples, c, t));
  session.output.document()["plots"] = paths;
}

void runCharacterize(const CharacterizeOptions& options, Session& session) {
  const CalibrationFileContent file = readCalibrationFile(options.yml);
  requireCalibration(file, options.yml);
  const std::vector<HeightRow> rows = readHeightsCsv(options.csv, CsvColumns::kOptionalTime);
  std::vector<std::string> inputs{options.yml, options.csv};
  for (const HeightRow& row : rows) inputs.push_back(row.image);  // the CSV reader checked each
  std::vector<std::string> plots;
  if (!options.plot.empty()) plots = characterizationPlotPaths(options.plot);
  for (const std::string& plot : plots) requireImageOutput(plot);
  refuseOverlaps(plots, inputs);
  session.output.document().update(
      {{"yml", options.yml}, {"csv", options.csv}, {"heights", options.integer ? "integer" : "precise"}});
  const std::vector<CharacterizedRow> measured = measureRows(rows, options.yml, !options.integer);
  std::vector<HeightSample> samples;
  for (const CharacterizedRow& row : measured) samples.push_back(row.sample);
  if (std::any_of(measured.begin(), measured.end(), [](const CharacterizedRow& r) { return r.wholePixelCalibration; }))
    session.output.warn(wholePixelCalibrationWarning(options.yml));
  const StationCharacterization c = [&] {
    try {
      return characterizeStation(samples, options.thresholds);
    } catch (const cv::Exception&) {
      throw WorkFailure("no row was measured: nothing to characterize");
    }
  }();
  showCharacterization(measured, c, session.output);
  if (!options.plot.empty()) writePlots(options, samples, c, session);
  const std::string failed = failedCheckNames(c.checks);
  if (!c.pass)
    throw WorkFailure(failed.empty()
                          ? "no figure of the station could be evaluated (" + notEvaluatedNames(c.checks) + ")"
                          : "the station failed its verdict (" + failed + ")");
}

void addThresholdOptions(CLI::App* cmd, CharacterizationThresholds& t) {
  addNumberOption(cmd, "--max-residual", t.maxResidual,
                  "Largest distance of a height's mean from the fitted line, height units (also bounds the usable "
                  "range)");
  addNumberOption(cmd, "--min-r2", t.minR2, "Smallest coefficient of determination of the line");
  addNumberOption(cmd, "--max-slope-error", t.maxSlopeError, "Largest |slope - 1| of measured over true height");
  addNumberOption(cmd, "--max-repeatability", t.maxRepeatability,
                  "Largest +-3 sigma at any repeated height, height units");
  addNumberOption(cmd, "--max-drift", t.maxDrift, "Largest |drift| of the stability series, height units per minute");
  addNumberOption(cmd, "--max-offset", t.maxOffset, "Largest |intercept| of the fitted line, height units");
  addNumberOption(cmd, "--min-repeats", t.minRepeats, "Repeats that make a height count for repeatability");
  addNumberOption(cmd, "--max-failed-rows", t.maxFailedRows, "Most rows without a height accepted");
}

}  // namespace

Command addCharacterizeCommand(CLI::App& app) {
  auto options = std::make_shared<CharacterizeOptions>();
  CLI::App* cmd =
      app.add_subcommand("characterize", "Linearity, repeatability and drift of a calibrated station, with a verdict");
  cmd->add_option("csv", options->csv,
                  "CSV of 'height,image[,time]' rows (seconds; rows with a time form the stability series); images "
                  "relative to its folder")
      ->required();
  cmd->add_option("--yml", options->yml, "Calibration file written by calibrate")->required();
  cmd->add_flag("--integer", options->integer,
                "Measure with getPlaneHeightByLinear (whole-pixel spots) instead of sub-pixel spots (default: off)");
  cmd->add_option("--plot", options->plot,
                  "Write PREFIX-linearity.png, PREFIX-repeatability.png and PREFIX-stability.png (an image "
                  "name keeps its format: station.jpg gives station-linearity.jpg, ...)")
      ->default_str("none");
  addThresholdOptions(cmd, options->thresholds);
  return {cmd,
          nullKeys({"yml", "csv", "heights", "points", "slope", "intercept", "r2", "residualRms", "residualMax",
                    "usableRange", "repeatability", "drift", "predictedRepeatability", "verdict", "checks", "plots"}),
          [options](Session& session) { runCharacterize(*options, session); }};
}

}  // namespace talmeq::cli
