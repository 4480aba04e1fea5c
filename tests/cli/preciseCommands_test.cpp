// The precision layer through the tool on the simulated station:
// `calibrate --precise` writes a fractional reference point, `measure
// --precise` and `spot --precise` give each image row its `precise` object,
// checked against the simulation's truth.

#include <cmath>
#include <filesystem>

#include "datasetWriter.h"
#include "simulatedStation.h"
#include "toolRun.h"

namespace {

using talmeq::test::runToolJson;
using talmeq::test::ScratchFolder;

constexpr double kMaxHeightError = 0.014;  // a quarter of the whole-pixel road's worst on these frames

TEST(PreciseCommands, HeightRoadWithSubPixelSpots) {
  ScratchFolder dir;
  talmeq::sim::writeHeightDataset(dir.path().string());
  const std::filesystem::path height = dir.path() / "height";
  const std::string yml = (height / "calibration.yml").string();
  const nlohmann::json fit =
      runToolJson(dir.path(), {"calibrate", "--precise", "--yml", yml, (height / "heights.csv").string()});
  ASSERT_EQ(fit.value("result", -1), 0);
  EXPECT_NE(fit["initialX"].get<double>(), std::floor(fit["initialX"].get<double>()));
  EXPECT_EQ(fit["points"][3]["precise"]["method"], "gaussianFit");

  const std::vector<double> truths = talmeq::sim::datasetMeasureHeights();
  const talmeq::sim::Station station = talmeq::sim::datasetStation();
  std::vector<std::string> args{"measure", "--precise", "--yml", yml};
  for (const char* frame : {"measure_00.png", "measure_05.png"}) args.push_back((height / frame).string());
  const nlohmann::json measured = runToolJson(dir.path(), args);
  ASSERT_EQ(measured["images"].size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const nlohmann::json& precise = measured["images"][i]["precise"];
    EXPECT_EQ(precise["heightStatus"], "measured");
    EXPECT_NEAR(precise["height"].get<double>(), truths[5 * i], kMaxHeightError) << i;
    EXPECT_NEAR(precise["axisZ"].get<double>(), precise["height"].get<double>() + station.initZ + station.focusD, 1e-9);
    EXPECT_GT(precise["heightUncertainty"].get<double>(), 0.0);
  }

  const nlohmann::json spot = runToolJson(dir.path(), {"spot", "--precise", (height / "calib_00.png").string()});
  const nlohmann::json& precise = spot["images"][0]["precise"];
  for (const char* key : {"x", "y", "status", "uncertainty", "peak", "background", "sigmaX", "sigmaY",
                          "saturatedFraction", "candidates", "runnerUp", "method"})
    EXPECT_TRUE(precise.contains(key)) << key;
  EXPECT_EQ(precise["status"], "saturated");
  EXPECT_EQ(precise["candidates"], 1);
}

}  // namespace
