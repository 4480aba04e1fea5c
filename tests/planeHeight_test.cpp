// getPlaneHeightByLinear: the worked measurement, the accepted range of the
// absolute height with its inclusive limits, which results leave the
// outputs untouched, the offsets, and the silence of the logger.
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include <cmath>

#include "calibrationFiles.h"
#include "logCapture.h"
#include "spotScenes.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::test::ScratchFolder;

constexpr double kUntouched = 123.25;

// The worked example's file: k 2, b 1, scale 0.5, dist 100, reference
// (100, 200), initZ -20, focusD 3, window around the spot.
CalibrationValues workedFile() {
  return {2.0, 1.0, 100.0, 200.0, 0.5, 100.0, -20.0, 3.0, {60, 150, 120, 100}, 0.0, 0.0};
}

// A saturated spot whose contour centroid is exactly `centre`.
cv::Mat sceneWithSpot(cv::Point centre) {
  cv::Mat scene = talmeq::test::flatScene({300, 300}, 40);
  talmeq::test::paint(scene, {centre.x - 2, centre.y - 2, 5, 5}, 255);
  return scene;
}

struct Measurement {
  int result;
  double height = kUntouched;
  double axisZ = kUntouched;
};

Measurement measure(const std::string& path, const cv::Mat& image) {
  Measurement m{0};
  m.result = getPlaneHeightByLinear(image, path, m.height, m.axisZ);
  return m;
}

Measurement measureWith(const CalibrationValues& file, cv::Point spot) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  EXPECT_TRUE(talmeq::writeCalibration(path, file));
  return measure(path, sceneWithSpot(spot));
}

TEST(PlaneHeight, WorkedExampleGivesTheModelAndAbsoluteHeights) {
  talmeq::test::LogCapture capture;
  const Measurement m = measureWith(workedFile(), {110, 205});
  EXPECT_EQ(m.result, 0);
  EXPECT_DOUBLE_EQ(m.height, 10.95547998847996);
  EXPECT_DOUBLE_EQ(m.axisZ, -6.04452001152004);
  EXPECT_EQ(capture.calls(), 0);  // nothing logged
}

// At the reference point r = 0 and the model height is b exactly, so the
// absolute height is (b + initZ) + focusD.
Measurement atReference(double initZ, double focusD) {
  CalibrationValues file = workedFile();
  file.initZ = initZ;
  file.focusD = focusD;
  return measureWith(file, {100, 200});
}

// 0 and -32 are accepted; just outside, -3 with both outputs written.
TEST(PlaneHeightRange, LimitsAreInclusive) {
  struct Limit { double initZ, focusD; int result; double axisZ; };
  for (const Limit& l : {Limit{-1.0, 0.0, 0, 0.0}, Limit{-33.0, 0.0, 0, -32.0}, Limit{-1.0, 0.001, -3, 0.001},
                         Limit{-33.0, -0.001, -3, -32.001}}) {
    const Measurement m = atReference(l.initZ, l.focusD);
    EXPECT_EQ(m.result, l.result) << l.axisZ;
    EXPECT_EQ(m.height, 1.0);
    EXPECT_DOUBLE_EQ(m.axisZ, l.axisZ);
  }
}

TEST(PlaneHeightRange, UndefinedModelGivesNotANumberAndResult0) {
  CalibrationValues file = workedFile();
  file.dist = 0.0;
  file.k = 0.0;
  const Measurement m = measureWith(file, {110, 205});
  EXPECT_EQ(m.result, 0);
  EXPECT_TRUE(std::isnan(m.height));
  EXPECT_TRUE(std::isnan(m.axisZ));
}

TEST(PlaneHeightFailures, MissingFileOrNoSpotLeaveTheOutputsUntouched) {
  ScratchFolder folder;
  talmeq::test::LogCapture capture;
  const Measurement missing = measure(folder.file("absent.yml"), sceneWithSpot({110, 205}));
  EXPECT_EQ(missing.result, -2);
  EXPECT_EQ(missing.height, kUntouched);
  EXPECT_EQ(missing.axisZ, kUntouched);
  EXPECT_TRUE(folder.entries().empty());

  const std::string path = folder.file("cal.yml");
  ASSERT_TRUE(talmeq::writeCalibration(path, workedFile()));
  const Measurement noSpot = measure(path, talmeq::test::flatScene({300, 300}, 40));
  EXPECT_EQ(noSpot.result, -1);
  EXPECT_EQ(noSpot.height, kUntouched);
  EXPECT_EQ(noSpot.axisZ, kUntouched);
  EXPECT_EQ(capture.calls(), 0);
}

TEST(PlaneHeightFailures, RoIOfThreeOrFiveNumbersGivesAnEmptyWindow) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  for (const std::string roi : {"[ 60, 150, 120 ]", "[ 60, 150, 120, 100, 1 ]"}) {
    talmeq::test::writeYaml(path, "k: 2.\nb: 1.\nscale: 0.5\ndist: 100.\nRoI: " + roi + "\noffsetX: 2.7\n");
    const Measurement m = measure(path, sceneWithSpot({110, 205}));
    EXPECT_EQ(m.result, -1) << roi;
    EXPECT_EQ(m.height, kUntouched);
  }
}

TEST(PlaneHeightOffsets, ShiftTheWindowAndTheReferencePoint) {
  // Two spots: A at (90, 190) inside the stored window, B at (110, 205)
  // inside the window shifted by (20, 15).
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  cv::Mat scene = sceneWithSpot({110, 205});
  talmeq::test::paint(scene, {88, 188, 5, 5}, 255);
  CalibrationValues file = workedFile();
  file.roi = cv::Rect(80, 180, 20, 20);
  file.initialX = 90.0;
  file.initialY = 190.0;
  ASSERT_TRUE(talmeq::writeCalibration(path, file));
  const Measurement unshifted = measure(path, scene);
  EXPECT_EQ(unshifted.result, 0);
  EXPECT_EQ(unshifted.height, 1.0);  // A at the reference point: r = 0
  file.offsetX = 20.0;
  file.offsetY = 15.0;
  ASSERT_TRUE(talmeq::writeCalibration(path, file));
  const Measurement shifted = measure(path, scene);
  EXPECT_EQ(shifted.result, 0);
  EXPECT_EQ(shifted.height, 1.0);  // B at the shifted reference point
  file.offsetX = 0.0;  // window still on B, reference back at A: r = 25
  file.offsetY = 0.0;
  file.roi = cv::Rect(100, 195, 20, 20);
  ASSERT_TRUE(talmeq::writeCalibration(path, file));
  EXPECT_DOUBLE_EQ(measure(path, scene).height, 100.0 * (25.0 + 1.0) / (25.0 + 100.0));
}

TEST(PlaneHeightOffsets, WindowOriginIsTruncatedTowardZero) {
  // x = trunc(0 - 0.5) = 0 stays inside the image; rounding down would not.
  CalibrationValues file = workedFile();
  file.roi = cv::Rect(0, 0, 300, 300);
  file.offsetX = -0.5;
  file.offsetY = -0.9;
  file.initialX = 100.5;
  file.initialY = 200.9;
  const Measurement m = measureWith(file, {110, 205});
  EXPECT_EQ(m.result, 0);
  EXPECT_DOUBLE_EQ(m.height, 10.95547998847996);  // the reference shifts back to (100, 200)
}

}  // namespace
