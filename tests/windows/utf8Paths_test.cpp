// Calibration files in folders named outside ASCII: the exports take their
// std::string paths as UTF-8 and reach the files through the wide Windows
// calls, so a station calibrated into such a folder writes, corrects and
// reads its file there.
#include <gtest/gtest.h>
#include <talmeqAlgorithm.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "calibrationFiles.h"
#include "simulatedStation.h"

namespace {

namespace fs = std::filesystem;

class Utf8Folder : public ::testing::TestWithParam<const char*> {};

TEST_P(Utf8Folder, CalibrationIsWrittenCorrectedAndReadBackThere) {
  const talmeq::sim::Station station;
  const talmeq::test::ScratchFolder scratch;
  const fs::path folder = scratch.path() / fs::u8path(GetParam());
  fs::create_directories(folder);
  // The simulator writes with cv::FileStorage, which takes ANSI names: its
  // file starts in the ASCII scratch folder and is copied over.
  const fs::path start = scratch.path() / "start.yml", file = folder / "cal.yml";
  talmeq::sim::writeStartingCalibration(station, start.string());
  fs::copy_file(start, file);
  const std::string path = file.u8string();

  std::vector<double> heights;
  std::vector<cv::Point> coords;
  for (double h = 0.0; h <= 30.0; h += 5.0) {
    heights.push_back(h);
    coords.emplace_back();
    ASSERT_EQ(getSpotCoord(talmeq::sim::stationFrame(station, h, 7), coords.back()), 0) << h;
  }
  ASSERT_EQ(getCalibrationParamByLinear(heights, coords, path), 0);
  const cv::Mat frame = talmeq::sim::stationFrame(station, 12.0, 3);
  double height = 0.0, axisZ = 0.0;
  ASSERT_EQ(getPlaneHeightByLinear(frame, path, height, axisZ), 0);
  EXPECT_NEAR(height, 12.0, 0.1);

  ASSERT_EQ(correctYml(0.0, 4.0, path), 0);
  double shiftedHeight = 0.0, shiftedZ = 0.0;
  ASSERT_EQ(getPlaneHeightByLinear(frame, path, shiftedHeight, shiftedZ), 0);
  EXPECT_EQ(shiftedHeight, height);
  EXPECT_NEAR(shiftedZ - axisZ, 4.0, 1e-9);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);  // no temporary left

  EXPECT_EQ(getPlaneHeightByLinear(frame, (folder / "missing.yml").u8string(), height, axisZ), -2);
}

INSTANTIATE_TEST_SUITE_P(Scripts, Utf8Folder, ::testing::Values(u8"Kalibrierung-Höhe", u8"校准"));

}  // namespace
