// The talmeq command-line tool.
#include <CLI/CLI.hpp>

#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{"talmeq: laser-spot detection, height calibration and camera calibration"};
  app.require_subcommand(1);
  talmeq::cli::addDemoCommand(app);
  CLI11_PARSE(app, argc, argv);
  return 0;
}
