// The calibration file's reader: defaults whatever the key order, a "RoI"
// that is not four numbers, a missing file. (The writer's cases are in
// heightCalibration_test.cpp.)
#include <gtest/gtest.h>

#include "calibrationFiles.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::readCalibration;
using talmeq::test::ScratchFolder;
using talmeq::test::writeYaml;

TEST(CalibrationFileRead, KeysInAnyOrderWithExtrasAndGapsReadByName) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, "offsetY: 4.5\nRoI: [ 1, 2, 3, 4 ]\nnote: \"hand edited\"\ndist: 100.\nk: 2.\nextra: [ 1, 2 ]\n");
  CalibrationValues v;
  v.initZ = 99.0;  // every key is read, missing ones as 0
  ASSERT_TRUE(readCalibration(path, v));
  EXPECT_EQ(v.k, 2.0);
  EXPECT_EQ(v.dist, 100.0);
  EXPECT_EQ(v.offsetY, 4.5);
  EXPECT_EQ(v.roi, cv::Rect(1, 2, 3, 4));
  EXPECT_EQ(v.initZ, 0.0);
  EXPECT_EQ(v.b, 0.0);
  EXPECT_EQ(v.offsetX, 0.0);
}

TEST(CalibrationFileRead, RoIOtherThanFourNumbersReadsAsZero) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  for (const std::string roi : {"RoI: [ 1, 2, 3 ]\n", "RoI: [ 1, 2, 3, 4, 5 ]\n", "RoI: [ ]\n", ""}) {
    writeYaml(path, "k: 1.\n" + roi);
    CalibrationValues v;
    v.roi = cv::Rect(9, 9, 9, 9);
    ASSERT_TRUE(readCalibration(path, v));
    EXPECT_EQ(v.roi, cv::Rect()) << roi;
  }
}

TEST(CalibrationFileRead, MissingFileIsReportedUntouchedAndNotCreated) {
  ScratchFolder folder;
  CalibrationValues v;
  v.k = 7.0;
  EXPECT_FALSE(readCalibration(folder.file("absent.yml"), v));
  EXPECT_FALSE(talmeq::readFixedSettings(folder.file("absent.yml"), v));
  EXPECT_EQ(v.k, 7.0);
  EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
