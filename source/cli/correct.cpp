// `talmeq correct --yml FILE --from Z --to Z`: shifts the file's "initZ" so
// that a plane that measured Z-from measures Z-to (correctYml).
#include <talmeqAlgorithm.h>

#include <cmath>
#include <memory>

#include "commands.h"
#include "failures.h"
#include "heightCalibrationFile.h"
#include "libraryCall.h"
#include "resultCodes.h"

namespace talmeq::cli {
namespace {

struct CorrectOptions {
  std::string yml;
  double from = 0.0, to = 0.0;
};

void runCorrect(const CorrectOptions& options, Session& session) {
  if (!std::isfinite(options.from) || !std::isfinite(options.to))
    throw UsageError("--from and --to must be finite numbers");
  const double before = readHeightCalibration(options.yml).initZ;
  const int code =
      callExport("correctYml", [&] { return correctYml(options.from, options.to, options.yml); });
  requireSuccess("correctYml", code, options.yml);
  const double after = readHeightCalibration(options.yml).initZ;
  session.output.document().update({{"yml", options.yml},
                                    {"from", options.from},
                                    {"to", options.to},
                                    {"initZBefore", before},
                                    {"initZAfter", after}});
  session.output.line("initZ " + fixed(before, 6) + " -> " + fixed(after, 6) + " (shift " +
                      fixed(options.to - options.from, 6) + ") in " + options.yml);
}

}  // namespace

Command addCorrectCommand(CLI::App& app) {
  auto options = std::make_shared<CorrectOptions>();
  CLI::App* cmd = app.add_subcommand("correct", "Shift the calibration's height offset (correctYml)");
  cmd->add_option("--yml", options->yml, "Calibration file")->required();
  cmd->add_option("--from", options->from, "Absolute height a plane measured")->required();
  cmd->add_option("--to", options->to, "Absolute height it should measure")->required();
  return {cmd, [options](Session& session) { runCorrect(*options, session); }};
}

}  // namespace talmeq::cli
