// `talmeq demo` runs the whole station with no input. Its spot frames are
// the ones the station sees, so a seed that once drew a frame the detector
// cannot see (26, a dim red spot) passes like any other.

#include <cmath>

#include "toolRun.h"

namespace {

TEST(DemoCommand, RunsTheWholeStationAndKeepsItsDataset) {
  talmeq::test::ScratchFolder dir;
  const nlohmann::json doc =
      talmeq::test::runToolJson(dir.path(), {"demo", "--frames", "3", "--seed", "26", "--keep", "data"});
  EXPECT_EQ(doc["spot"]["found"], 3);
  const nlohmann::json& f = doc["spot"]["frames"];  // heights drawn at random, not in even steps from the seed
  EXPECT_GT(std::abs(f[0]["height"].get<double>() - 2 * f[1]["height"].get<double>() + f[2]["height"].get<double>()),
            0.1);
  EXPECT_EQ(doc["height"]["measurements"].size(), 20u);
  EXPECT_TRUE(doc["height"]["measurements"][0].contains("absolute"));
  EXPECT_GT(doc["camera"]["views"].get<int>(), 2);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("data/aruco/view_00.png"))) << "--keep keeps the dataset";
}

}  // namespace
