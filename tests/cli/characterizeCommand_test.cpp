// The characterization road through the tool on a simulated sweep with a
// known creep: calibrate from sub-pixel spots, characterize, and get back
// the station's truth within the statistics' own error bars; a row whose
// image cannot be read stays a row and fails the verdict; the integer path
// on the same frames fails on its truncation.

#include <cmath>
#include <fstream>

#include "datasetWriter.h"
#include "sweepWriter.h"
#include "toolRun.h"

namespace {

using talmeq::test::runTool;
using talmeq::test::runToolJson;
using talmeq::test::ScratchFolder;

constexpr double kDriftSigmas = 3.0;     // drift recovered within this many standard errors
constexpr double kPredictedShare = 0.2;  // predicted repeatability within 20 % of the measured one
constexpr double kSlopeTolerance = 1e-3;

TEST(CharacterizeCommand, RecoversTheSimulatedStationAndFailsWhatItMust) {
  ScratchFolder dir;
  talmeq::sim::writeHeightDataset(dir.path().string());
  talmeq::sim::SweepDesign design;
  design.heights = 7;
  design.repeats = 8;
  design.stabilitySamples = 20;
  design.driftPerMinute = 0.004;
  talmeq::sim::writeSweepDataset(dir.path().string(), talmeq::sim::datasetStation(), design);
  ASSERT_EQ(
      runTool(dir.path(), {"calibrate", "--precise", "--yml", "height/calibration.yml", "height/heights.csv"}).status,
      0);

  const nlohmann::json doc = runToolJson(
      dir.path(), {"characterize", "--yml", "height/calibration.yml", "sweep/sweep.csv", "--plot", "station"});
  EXPECT_EQ(doc["verdict"], "pass") << doc["checks"];
  EXPECT_EQ(doc["points"].size(), static_cast<std::size_t>(design.heights * design.repeats + design.stabilitySamples));
  EXPECT_NEAR(doc["slope"].get<double>(), 1.0, kSlopeTolerance);
  EXPECT_EQ(doc["usableRange"], nlohmann::json({design.low, design.high}));
  const double drift = doc["drift"]["perMinute"].get<double>();
  EXPECT_LT(std::fabs(drift - design.driftPerMinute), kDriftSigmas * doc["drift"]["standardError"].get<double>());
  const double pooled = doc["repeatability"]["pooled"].get<double>();
  EXPECT_NEAR(doc["predictedRepeatability"].get<double>(), pooled, kPredictedShare * pooled);
  EXPECT_EQ(doc["repeatability"]["perHeight"].size(), static_cast<std::size_t>(design.heights));
  for (const char* plot : {"station-linearity.png", "station-repeatability.png", "station-stability.png"})
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.file(plot))) << plot;

  // A frame that cannot be read: its row stays, with its status, and fails the verdict.
  std::ofstream(dir.file("sweep/sweep.csv"), std::ios::app) << "15,notes.png\n";
  std::ofstream(dir.file("sweep/notes.png")) << "not an image";
  const auto broken =
      runTool(dir.path(), {"--json", "characterize", "--yml", "height/calibration.yml", "sweep/sweep.csv"});
  EXPECT_EQ(broken.status, 1);
  const nlohmann::json failed = nlohmann::json::parse(broken.out);
  EXPECT_EQ(failed["points"].back()["status"], "unreadable");
  EXPECT_EQ(failed["verdict"], "fail");
  EXPECT_NE(failed["error"]["message"].get<std::string>().find("failed rows"), std::string::npos);

  // Whole pixels on the same frames: the truncation shows as non-linearity.
  const auto integer = runTool(dir.path(), {"--json", "characterize", "--integer", "--yml", "height/calibration.yml",
                                            "sweep/sweep.csv", "--max-failed-rows", "1"});
  EXPECT_EQ(nlohmann::json::parse(integer.out)["verdict"], "fail");
}

}  // namespace
