// getCalibrationParamByLinear and calRoI on the worked calibration series:
// the fit, the errors and their messages, the reference point, the search
// window and what the file holds afterwards (refused inputs are with the
// other bad inputs, the -999 path with those of the other exports).
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::test::failurePrefix;
using talmeq::test::LogCapture;
using talmeq::test::ScratchFolder;
using talmeq::test::writeYaml;
using Lines = std::vector<std::string>;

constexpr double kPrintedDigit = 5e-8;  // half a unit of the last digit the worked examples print
constexpr double kRoundOff = 1e-12;     // what the normal equations' solution may leave of an exact zero
const std::string kStart = "getCalibrationParamByLinear: start! 2025_09_29_V1.8.0";
const std::vector<double> kHeights = {0.0, 1.0, 2.0};
const std::string kSettings = "scale: 1.\ndist: 100.\ninitZ: -10.\nfocusD: 2.5\n";

struct Calibration {
  int result;
  Lines printed;
  Lines filed;
  CalibrationValues file;
};

Calibration calibrate(const std::string& path, std::vector<double> heights, std::vector<cv::Point> coords) {
  LogCapture capture;
  Calibration c{getCalibrationParamByLinear(heights, coords, path), capture.printed(), capture.filed(), {}};
  talmeq::readCalibration(path, c.file);
  return c;
}

TEST(LinearCalibration, EvenlySpacedSeriesFitsWithinTheLimit) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, kSettings + "offsetX: 3.\noffsetY: -4.\nlegacy: 1\n");
  const Calibration c = calibrate(path, kHeights, {{100, 50}, {110, 50}, {120, 50}});
  EXPECT_EQ(c.result, 0);
  EXPECT_NEAR(c.file.b, -0.0033665, kPrintedDigit);
  EXPECT_NEAR(c.file.k, 0.1020373, kPrintedDigit);
  const Lines expected = {kStart,
                          "height = 0, coord = [100, 50]",
                          "height = 1, coord = [110, 50]",
                          "height = 2, coord = [120, 50]",
                          "err = 0.00336654",
                          "err = 0.00680248",
                          "err = 0.00343595",
                          "average err = 0.00453499",
                          "getCalibrationParamByLinear: end!"};
  EXPECT_EQ(c.printed, expected);
  EXPECT_EQ(c.filed, expected);
  // Reference point, carried settings, window and reset offsets.
  const CalibrationValues expectedFile{c.file.k, c.file.b, 100.0, 50.0, 1.0, 100.0, -10.0, 2.5, {50, 50, 370, 0}, 0.0, 0.0};
  EXPECT_EQ(talmeq::test::fields(c.file), talmeq::test::fields(expectedFile));
  EXPECT_EQ(talmeq::test::topLevelKeys(path), talmeq::test::elevenKeys());
}

TEST(LinearCalibration, AverageErrorAboveTheLimitReturnsMinus1AfterWriting) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, kSettings);
  const Calibration c = calibrate(path, kHeights, {{100, 50}, {100, 50}, {120, 50}});
  EXPECT_EQ(c.result, -1);
  EXPECT_NEAR(c.file.b, 0.5, kPrintedDigit);
  EXPECT_NEAR(c.file.k, 0.0765306, kPrintedDigit);
  ASSERT_EQ(c.printed.size(), 9u);
  EXPECT_EQ(c.printed[4], "err = 0.5");
  EXPECT_EQ(c.printed[5], "err = 0.5");
  EXPECT_NEAR(std::stod(c.printed[6].substr(6)), 0.0, kRoundOff);  // "err = ", zero up to the solver's rounding
  EXPECT_EQ(c.printed[7], "average err = 0.333333");
  EXPECT_EQ(c.printed[8].rfind(failurePrefix("getCalibrationParamByLinear", -1) + " at ", 0), 0u);
  EXPECT_EQ(c.filed, c.printed);
}

TEST(LinearCalibration, ReferencePointStepsBackWhenTheSeriesDoesNotStartAtZero) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, kSettings);
  const Calibration c = calibrate(path, {1.0, 2.0, 3.0}, {{100, 50}, {110, 52}, {120, 54}});
  EXPECT_EQ(c.result, 0);
  EXPECT_EQ(c.file.initialX, 90.0);
  EXPECT_EQ(c.file.initialY, 48.0);
  // Window from the position predicted for height -5: 100 - 6 * 10, 50 - 6 * 2.
  EXPECT_EQ(c.file.roi, cv::Rect(40, 38, 370, 74));
}

TEST(LinearCalibration, EqualDisplacementsWriteTheSingularSolutionAsZeros) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, kSettings);
  const Calibration c = calibrate(path, kHeights, {{100, 50}, {100, 50}, {100, 50}});
  EXPECT_EQ(c.file.k, 0.0);
  EXPECT_EQ(c.file.b, 0.0);
  EXPECT_EQ(c.result, -1);  // errors 0, 1 and 2
  EXPECT_EQ(c.file.roi, cv::Rect(100, 50, 0, 0));
}

TEST(CalRoI, WindowRunsFromHeightMinus5Over37UnitsAndKeepsItsSign) {
  cv::Rect roi;
  EXPECT_EQ(calRoI(kHeights, {{100, 50}, {110, 50}, {120, 50}}, roi), 0);
  EXPECT_EQ(roi, cv::Rect(50, 50, 370, 0));
  // Spot moving to smaller x and y: negative size; values truncate toward zero.
  EXPECT_EQ(calRoI({0.0, 3.0}, {{200, 300}, {190, 290}}, roi), 0);
  EXPECT_EQ(roi, cv::Rect(216, 316, -123, -123));  // 200 + 16.67, 37 * -3.33
  // Only the first and last points count.
  EXPECT_EQ(calRoI({2.0, 50.0, 4.0}, {{10, 10}, {999, 999}, {14, 10}}, roi), 0);
  EXPECT_EQ(roi, cv::Rect(-4, 10, 74, 0));
}

}  // namespace
