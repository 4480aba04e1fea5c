// The whole height road on the simulated station: spot detection at known
// heights, the linear calibration, measurements at other heights, and a
// correction of the offset.
#include <gtest/gtest.h>

#include <calibrationFile.h>
#include <station.h>
#include <talmeqAlgorithm.h>

#include <algorithm>
#include <cmath>
#include <iostream>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

using talmeq::sim::Station;

constexpr double kHeightTolerance = 0.2;  // height units
constexpr int kMeasurements = 20;

// Detects the spot at each height and calibrates; returns the result.
int calibrateStation(const Station& station, const std::vector<double>& heights, const std::string& path) {
  std::vector<cv::Point> coords;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    cv::Point coord;
    EXPECT_EQ(getSpotCoord(talmeq::sim::stationFrame(station, heights[i], 100 + i), coord), 0) << heights[i];
    coords.push_back(coord);
  }
  return getCalibrationParamByLinear(heights, coords, path);
}

constexpr double kCollinear = 1e-9;  // pixels, cross product of unit path direction and offset

TEST(HeightWorkflow, StationSpotRunsAlongAStraightLineInsideTheDetectionWindow) {
  const Station station;
  const cv::Point2d start = talmeq::sim::spotAtHeight(station, 0.0);
  const cv::Point2d end = talmeq::sim::spotAtHeight(station, 30.0);
  const cv::Point2d direction = (end - start) / cv::norm(end - start);
  const cv::Rect2d window(station.imageSize.width * 0.35, station.imageSize.height * 0.45,
                          station.imageSize.width * 0.35, station.imageSize.height * 0.3);
  cv::Point2d previous = talmeq::sim::spotAtHeight(station, -5.0);
  for (double h = -4.0; h <= 32.0; h += 1.0) {
    const cv::Point2d p = talmeq::sim::spotAtHeight(station, h);
    EXPECT_NEAR(direction.cross(p - start), 0.0, kCollinear) << h;
    EXPECT_GT(p.x, previous.x);
    EXPECT_GT(p.y, previous.y);
    const bool calibrated = h >= 0.0 && h <= 30.0;
    EXPECT_TRUE(!calibrated || window.contains(p)) << h;
    previous = p;
  }
}

TEST(HeightWorkflow, StationCalibratesAndMeasuresWithin02) {
  talmeq::test::LogCapture quiet;  // keeps the calls' messages off the console
  talmeq::test::ScratchFolder folder;
  const Station station;
  const std::string path = folder.file("station.yml");
  talmeq::sim::writeStartingCalibration(station, path);
  ASSERT_EQ(calibrateStation(station, {0.0, 5.0, 10.0, 15.0, 20.0, 25.0, 30.0}, path), 0);

  talmeq::CalibrationValues file;
  ASSERT_TRUE(talmeq::readCalibration(path, file));
  // The window runs along the spot's path towards larger x and y, inside the image.
  EXPECT_GT(file.roi.width, 0);
  EXPECT_GT(file.roi.height, 0);
  EXPECT_TRUE((cv::Rect({0, 0}, station.imageSize) & file.roi) == file.roi);

  double worst = 0.0;
  for (int i = 0; i < kMeasurements; ++i) {
    const double truth = 0.7 + 28.6 * i / (kMeasurements - 1);  // 0.7 .. 29.3, none a calibration height
    double height = NAN, axisZ = NAN;
    ASSERT_EQ(getPlaneHeightByLinear(talmeq::sim::stationFrame(station, truth, 500 + i), path, height, axisZ), 0)
        << truth;
    EXPECT_NEAR(height, truth, kHeightTolerance);
    EXPECT_DOUBLE_EQ(axisZ, height + station.initZ + station.focusD);
    worst = std::max(worst, std::fabs(height - truth));
  }
  std::cout << "worst height error over " << kMeasurements << " measurements: " << worst << "\n";
}

TEST(HeightWorkflow, CorrectionMovesTheMeasuredAbsoluteHeight) {
  talmeq::test::LogCapture quiet;
  talmeq::test::ScratchFolder folder;
  const Station station;
  const std::string path = folder.file("station.yml");
  talmeq::sim::writeStartingCalibration(station, path);
  ASSERT_EQ(calibrateStation(station, {2.0, 8.0, 14.0, 20.0, 26.0}, path), 0);
  const cv::Mat frame = talmeq::sim::stationFrame(station, 12.0, 9);
  double height = 0.0, before = 0.0, after = 0.0;
  ASSERT_EQ(getPlaneHeightByLinear(frame, path, height, before), 0);
  ASSERT_EQ(correctYml(before, -4.0, path), 0);
  ASSERT_EQ(getPlaneHeightByLinear(frame, path, height, after), 0);
  EXPECT_NEAR(after, -4.0, 1e-9);
}

}  // namespace
