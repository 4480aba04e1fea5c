// getPlaneHeightByLinear: the worked measurement, the inclusive limits of
// the absolute height, the offsets that shift window and reference point,
// the window origin truncated toward zero, results that leave the outputs
// untouched. (The whole height road on the simulated station is with the
// sub-pixel road's in precision/heightReading_test.cpp.)
#include <talmeqAlgorithm.h>

#include <cmath>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::test::ScratchFolder;

constexpr double kUntouched = 123.25;

// k 2, b 1, reference (100, 200), scale 0.5, dist 100, initZ -20, focusD 3,
// window around the spot.
CalibrationValues workedFile(double initZ = -20.0, double focusD = 3.0, cv::Rect roi = {100, 195, 100, 100},
                             cv::Point2d reference = {100, 200}, cv::Point2d offset = {0, 0}) {
  return {2.0, 1.0, reference.x, reference.y, 0.5, 100.0, initZ, focusD, roi, offset.x, offset.y};
}

struct Measurement {
  const char* name;
  CalibrationValues file;
  int result;
  double height, axisZ;  // kUntouched where nothing is written
};

// The scene holds two saturated spots whose centroids are exactly A (90, 190)
// and B (110, 205); a window holds one of them. At the reference point the
// distance r is 0 and the model height is b exactly.
const Measurement kMeasurements[] = {
    {"worked example", workedFile(), 0, 10.95547998847996, -6.04452001152004},
    {"window origin truncated toward 0", workedFile(-20, 3, {0, 195, 300, 105}, {100.5, 200.9}, {-0.5, -0.9}), 0,
     10.95547998847996, -6.04452001152004},
    {"offsets shift the reference", workedFile(-20, 3, {80, 180, 20, 20}, {90, 190}), 0, 1.0, -16.0},
    {"offsets shift the window", workedFile(-20, 3, {80, 180, 20, 20}, {90, 190}, {20, 15}), 0, 1.0, -16.0},
    {"window on B, reference A", workedFile(-20, 3, {100, 195, 20, 20}, {90, 190}), -3, 100.0 * 26 / 125, 3.8},
    {"absolute height 0", workedFile(-1, 0, {80, 180, 20, 20}, {90, 190}), 0, 1.0, 0.0},
    {"absolute height -32", workedFile(-33, 0, {80, 180, 20, 20}, {90, 190}), 0, 1.0, -32.0},
    {"just above 0", workedFile(-1, 0.001, {80, 180, 20, 20}, {90, 190}), -3, 1.0, 0.001},
    {"just below -32", workedFile(-33, -0.001, {80, 180, 20, 20}, {90, 190}), -3, 1.0, -32.001},
    {"undefined model", {0.0, 1.0, 100, 200, 0.5, 0.0, -20, 3, {100, 195, 100, 100}, 0, 0}, 0, NAN, NAN},
    {"no spot in the window", workedFile(-20, 3, {10, 10, 10, 10}), -1, kUntouched, kUntouched},
};

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)) || std::fabs(a - b) < 1e-12; }

TEST(PlaneHeight, MeasurementsGiveTheModelAndAbsoluteHeightsSilently) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  cv::Mat scene(300, 300, CV_8UC3, cv::Scalar::all(40));
  scene(cv::Rect(88, 188, 5, 5)).setTo(cv::Scalar::all(255));
  scene(cv::Rect(108, 203, 5, 5)).setTo(cv::Scalar::all(255));
  talmeq::test::LogCapture capture;
  for (const Measurement& m : kMeasurements) {
    ASSERT_TRUE(talmeq::detail::writeCalibration(path, m.file));
    double height = kUntouched, axisZ = kUntouched;
    EXPECT_EQ(getPlaneHeightByLinear(scene, path, height, axisZ), m.result) << m.name;
    EXPECT_TRUE(same(height, m.height)) << m.name << ": height " << height;
    EXPECT_TRUE(same(axisZ, m.axisZ)) << m.name << ": absolute height " << axisZ;
  }
  EXPECT_EQ(capture.calls(), 0);
}

}  // namespace
