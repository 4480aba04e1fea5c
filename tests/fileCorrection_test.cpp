// correctYml: the shift of "initZ", its messages, the other keys carried
// through, partial files completed and repeated corrections (the missing
// file is with the bad inputs).
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::test::LogCapture;
using talmeq::test::readText;
using talmeq::test::ScratchFolder;
using talmeq::test::writeYaml;
using Lines = std::vector<std::string>;

const std::string kStart = "correctYml: start! 2025_09_29_V1.8.0";
const std::string kFullFile =
    "k: 0.25\nb: -1.5\ninitialX: 512.\ninitialY: 491.\nscale: 0.1\ndist: 300.\ninitZ: 10.\nfocusD: 0.5\n"
    "RoI: [ 459, 463, 338, 202 ]\noffsetX: 2.5\noffsetY: -3.\n";

CalibrationValues readBack(const std::string& path) {
  CalibrationValues v;
  EXPECT_TRUE(talmeq::readCalibration(path, v));
  return v;
}

TEST(FileCorrection, ShiftsInitZByTheDifferenceAndCarriesEveryOtherKey) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, kFullFile);
  LogCapture capture;
  EXPECT_EQ(correctYml(-3.0, -1.0, path), 0);
  const Lines expected = {kStart, "correctYml: before initZ = 10", "correctYml: after initZ = 12", "correctYml: end!"};
  EXPECT_EQ(capture.printed(), expected);
  EXPECT_EQ(capture.filed(), expected);
  const CalibrationValues expectedFile{0.25, -1.5, 512.0, 491.0, 0.1, 300.0, 12.0, 0.5, {459, 463, 338, 202}, 2.5, -3.0};
  EXPECT_EQ(talmeq::test::fields(readBack(path)), talmeq::test::fields(expectedFile));
  EXPECT_EQ(talmeq::test::topLevelKeys(path), talmeq::test::elevenKeys());
}

TEST(FileCorrection, EqualHeightsRewriteTheSameValues) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, kFullFile);
  ASSERT_EQ(correctYml(0.0, 0.0, path), 0);  // now in the library's own layout
  const std::string once = readText(path);
  EXPECT_EQ(correctYml(-7.25, -7.25, path), 0);
  EXPECT_EQ(readText(path), once);
}

TEST(FileCorrection, PartialFileComesBackWithAllElevenKeys) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, "k: 3.\nRoI: [ 1, 2, 3 ]\nhostNote: 7\n");
  EXPECT_EQ(correctYml(1.0, 3.5, path), 0);
  const CalibrationValues expectedFile{3.0, 0.0, 0.0, 0.0, 0.0, 0.0, 2.5, 0.0, {}, 0.0, 0.0};
  EXPECT_EQ(talmeq::test::fields(readBack(path)), talmeq::test::fields(expectedFile));
  EXPECT_EQ(talmeq::test::topLevelKeys(path), talmeq::test::elevenKeys());
}

TEST(FileCorrection, RepeatedCorrectionsAddUp) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, kFullFile);
  EXPECT_EQ(correctYml(-5.0, -4.0, path), 0);
  EXPECT_EQ(correctYml(-4.0, -1.5, path), 0);
  EXPECT_EQ(correctYml(2.0, 0.0, path), 0);
  EXPECT_EQ(readBack(path).initZ, 10.0 + 1.0 + 2.5 - 2.0);
}

}  // namespace
