// Subcommands of the talmeq tool. Each adds itself to the CLI11 app and
// returns its JSON shape and the work to run once the whole command line is
// parsed. The work checks every argument before it changes any file, calls
// the library through its public header as any host would, and reads the
// core's stage traces for its pictures, reasons and warnings. This header
// brings what every subcommand works with: its options' number checks, its
// failures, and its input and output files.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>

#include "decimalNumbers.h"
#include "failures.h"
#include "imageFiles.h"
#include "output.h"
#include "outputFiles.h"

namespace talmeq::cli {

// Options that every subcommand shares, and the run's output.
struct Session {
  bool json = false;
  bool verbose = false;
  std::string logFile;
  Output output;
};

struct Command {
  CLI::App* app = nullptr;
  nlohmann::json shape;  // the subcommand's own keys of the JSON document, all null
  std::function<void(Session&)> run;
};

// `talmeq spot IMAGE... [--annotate OUT]`: the laser spot of each image.
Command addSpotCommand(CLI::App& app);

// `talmeq board chess|aruco --out FILE`: printable calibration targets.
Command addBoardCommand(CLI::App& app);

// `talmeq calibrate --yml FILE HEIGHTS.csv`: the linear height calibration.
Command addCalibrateCommand(CLI::App& app);

// `talmeq measure --yml FILE IMAGE...`: plane heights.
Command addMeasureCommand(CLI::App& app);

// `talmeq correct --yml FILE --from Z --to Z`: shifts the height offset.
Command addCorrectCommand(CLI::App& app);

// `talmeq calib-chess IMAGE --out FILE`, `talmeq calib-aruco IMAGE... --out FILE`.
Command addCalibChessCommand(CLI::App& app);
Command addCalibArucoCommand(CLI::App& app);

// `talmeq calib-charuco IMAGE... --board FILE --out CAMERA.yml`.
Command addCalibCharucoCommand(CLI::App& app);

// `talmeq undistort ...`, `talmeq correct-thickness ...`: corrected images.
Command addUndistortCommand(CLI::App& app);
Command addCorrectThicknessCommand(CLI::App& app);

// `talmeq characterize --yml FILE DATA.csv`: linearity, repeatability, drift.
Command addCharacterizeCommand(CLI::App& app);

// `talmeq simulate DIR [--sweep]`: a synthetic dataset.
Command addSimulateCommand(CLI::App& app);

// `talmeq demo`: runs the whole station on built-in synthetic data.
Command addDemoCommand(CLI::App& app);

}  // namespace talmeq::cli
