// `talmeq correct --yml FILE --from Z --to Z`: shifts the file's "initZ" so
// that a plane that measured Z-from measures Z-to (correctYml). Only a file
// that holds a calibration is corrected, only to a finite "initZ", and the
// file is read back afterwards.
#include <talmeq/calibrationLock.h>
#include <talmeq/explanations.h>
#include <talmeqAlgorithm.h>

#include <cmath>

#include "commands.h"
#include "heightCalibrationFile.h"

namespace talmeq::cli {
namespace {

struct CorrectOptions {
  std::string yml;
  double from = 0.0, to = 0.0;
};

void runCorrect(const CorrectOptions& options, Session& session) {
  const CalibrationLock lock(options.yml);  // the read, the shift and the write in one step
  const CalibrationFileContent file = readCalibrationFile(options.yml);
  requireCalibration(file, options.yml);
  HeightCalibration expected = file.values;
  expected.initZ = file.values.initZ + (options.to - options.from);  // as correctYml shifts it
  session.output.document().update({{"yml", options.yml},
                                    {"from", options.from},
                                    {"to", options.to},
                                    {"initZBefore", file.values.initZ},
                                    {"initZAfter", number(expected.initZ)}});
  if (!std::isfinite(expected.initZ))
    throw WorkFailure("the shifted initZ (" + decimalText(expected.initZ, 6) +
                      ") is not a finite number; the file was left unchanged");
  const int code = callExport("correctYml", [&] { return correctYml(options.from, options.to, options.yml); });
  session.output.document().update({{"result", code}, {"meaning", resultMeaning("correctYml", code)}});
  requireSuccess("correctYml", code, options.yml);
  requireWritten(options.yml, expected);
  session.output.line("initZ " + decimalText(file.values.initZ, 6) + " -> " + decimalText(expected.initZ, 6) +
                      " (shift " + decimalText(options.to - options.from, 6) + ") in " + options.yml);
}

}  // namespace

Command addCorrectCommand(CLI::App& app) {
  auto options = std::make_shared<CorrectOptions>();
  CLI::App* cmd = app.add_subcommand("correct", "Shift the calibration's height offset (correctYml)");
  cmd->add_option("--yml", options->yml, "Calibration file written by calibrate")->required();
  cmd->add_option("--from", options->from, "Absolute height a plane measured")->check(decimalNumber())->required();
  cmd->add_option("--to", options->to, "Absolute height it should measure")->check(decimalNumber())->required();
  return {cmd, nullKeys({"yml", "from", "to", "initZBefore", "initZAfter", "result", "meaning"}),
          [options](Session& session) { runCorrect(*options, session); }};
}

}  // namespace talmeq::cli
