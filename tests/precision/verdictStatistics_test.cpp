// The statistics behind the precision layer's verdicts, on inputs small
// enough to work out by hand: the confidence the camera's uncertainties are
// judged at, the bounds of the view count, the edges of the rms, tilt and
// repeated-view checks and the coverage grid's cells, and the characterization's
// repeatability (sample deviations over n - 1, pooled over the summed
// degrees of freedom, the predicted figure from variances), the drift's
// standard error over n - 2 and the smallest series that has a drift. A
// statistic computed at the wrong confidence or over the wrong degrees of
// freedom passes every realistic example; these figures pin it.
#include <calibrationQuality.h>
#include <calibrationVerdict.h>
#include <gtest/gtest.h>
#include <talmeq/stationCharacterization.h>

#include <cmath>

namespace {

using talmeq::HeightSample;

const talmeq::VerdictCheck& check(const std::vector<talmeq::VerdictCheck>& checks, const std::string& name) {
  for (const talmeq::VerdictCheck& c : checks)
    if (c.name == name) return c;
  throw std::runtime_error("no check " + name);
}

TEST(VerdictStatistics, CameraUncertaintiesAtNinetyFivePercentAndViewsUpToTheMaximum) {
  talmeq::CameraCalibrationReport report;
  report.camera = {1000.0, 800.0, 320.0, 240.0};
  report.uncertainty = {5.0, 2.0, 1.0, 0.5};
  report.cameraMatrix = (cv::Mat_<double>(3, 3) << 1000.0, 0.0, 320.0, 0.0, 800.0, 240.0, 0.0, 0.0, 1.0);
  report.imageSize = {640, 480};
  talmeq::CalibrationThresholds thresholds;
  report.usedViews = thresholds.maxViews;
  const std::vector<talmeq::VerdictCheck> checks = talmeq::detail::verdictChecks(report, thresholds);
  EXPECT_DOUBLE_EQ(check(checks, "fx uncertainty").value, 1.96 * 5.0 / 1000.0);
  EXPECT_DOUBLE_EQ(check(checks, "cy uncertainty").value, 1.96 * 0.5 / 240.0);
  EXPECT_TRUE(check(checks, "views").passed);
  report.usedViews = thresholds.maxViews + 1;
  EXPECT_FALSE(check(talmeq::detail::verdictChecks(report, thresholds), "views").passed);
  // The edges of the view checks: an rms at the limit fails, a tilt of exactly
  // the minimum counts, and a repeated view that was left out is no repeat.
  report.rms = thresholds.maxRms;
  report.views.assign(thresholds.minTiltedViews, {});
  for (talmeq::ViewQuality& q : report.views) q.used = true, q.tilt = thresholds.minTilt;
  report.views.push_back({});
  report.views.back().repeats = true;
  const std::vector<talmeq::VerdictCheck> edges = talmeq::detail::verdictChecks(report, thresholds);
  EXPECT_FALSE(check(edges, "rms").passed);
  EXPECT_TRUE(check(edges, "tilted views").passed);
  EXPECT_TRUE(check(edges, "repeated views").passed);
  // Coverage: a point in a corner cell marks that cell, and each view once.
  talmeq::BoardView view;
  view.imagePoints = {{1.0f, 1.0f}, {2.0f, 2.0f}, {639.0f, 479.0f}};
  const cv::Mat grid = talmeq::detail::quality::coverageGrid({&view, &view}, report.imageSize);
  const int last = talmeq::detail::quality::kCoverageCells - 1;
  EXPECT_EQ(grid.at<int>(0, 0), 2);
  EXPECT_EQ(grid.at<int>(last, last), 2);
  EXPECT_EQ(cv::sum(grid)[0], 4.0);
}

// Cameras of 640 x 480 images: a one-view fit of a 4 x 5 grid as the station's, and the edges of each range.
TEST(VerdictStatistics, ImplausibleCamerasFailWhateverTheirViewCount) {
  // clang-format off
  const struct { const char* name; double fx, fy, cx, cy, rms; std::vector<std::string> failed; } cases[] = {
      {"the one-view grid", 2322, 955, -278.6, 240, 100.8, {"rms", "principal point"}},
      {"principal point on the corner, focal lengths at the ends", 128, 3200, 640, 0, 0.1, {}},
      {"focal lengths and principal point just outside", 127.9, 3200.1, 320, 480.1, 0.49, {"principal point", "fx", "fy"}},
      {"rms unknown", 1000, 1000, 320, 240, NAN, {"rms not evaluated"}},
  };
  // clang-format on
  for (const auto& c : cases) {
    const cv::Mat k = (cv::Mat_<double>(3, 3) << c.fx, 0.0, c.cx, 0.0, c.fy, c.cy, 0.0, 0.0, 1.0);
    std::vector<std::string> failed;
    for (const talmeq::VerdictCheck& check : talmeq::cameraPlausibilityChecks(k, {640, 480}, c.rms))
      if (!check.passed) failed.push_back(check.name + (check.evaluated ? "" : " not evaluated"));
    EXPECT_EQ(failed, c.failed) << c.name;
  }
}

HeightSample swept(double truth, double height) { return {truth, true, height, 0.01}; }
HeightSample timed(double minutes, double height) { return {1.0, true, height, 0.0, true, minutes * 60.0}; }

TEST(VerdictStatistics, RepeatabilityAndDriftFromHandWorkedSamples) {
  // Height 0: three repeats (exactly the minimum) 0, 0.03, 0.06: mean 0.03,
  // squares 0.0018 over 2 degrees: sigma 0.03. Height 2: 2.00 .. 2.06 in
  // steps of 0.02: squares 0.002 over 3: sigma sqrt(0.002 / 3). Height 1:
  // one measurement, too few repeats to count.
  std::vector<HeightSample> samples{swept(0, 0.0), swept(0, 0.03), swept(0, 0.06), swept(1, 1.0),
                                    swept(2, 2.0), swept(2, 2.02), swept(2, 2.04), swept(2, 2.06)};
  // Stability series at minutes 0 .. 3: 0, 0.01, 0, 0.01 fits 0.002 + 0.002 t
  // with squared residuals 8e-5 over 2 degrees and sxx 5.
  for (int minute = 0; minute < 4; ++minute) samples.push_back(timed(minute, minute % 2 ? 0.01 : 0.0));
  talmeq::CharacterizationThresholds thresholds;
  thresholds.minRepeats = 3;
  const talmeq::StationCharacterization c = talmeq::characterizeStation(samples, thresholds);
  ASSERT_EQ(c.repeatabilityAt.size(), 2u);
  EXPECT_NEAR(c.repeatabilityAt[0].threeSigma, 3 * 0.03, 1e-12);
  EXPECT_NEAR(c.repeatabilityAt[1].threeSigma, 3 * std::sqrt(0.002 / 3), 1e-12);
  EXPECT_NEAR(c.repeatability, 3 * 0.03, 1e-12);
  EXPECT_NEAR(c.pooledRepeatability, 3 * std::sqrt((0.0018 + 0.002) / 5), 1e-12);
  EXPECT_NEAR(c.predictedRepeatability, 3 * 0.01, 1e-12);
  ASSERT_TRUE(c.hasDrift);
  EXPECT_NEAR(c.drift, 0.002, 1e-12);
  EXPECT_NEAR(c.driftError, std::sqrt(8e-5 / 2 / 5), 1e-12);
  EXPECT_NEAR(c.stabilityThreeSigma, 3 * std::sqrt(8e-5 / 2), 1e-12);

  // Two timed rows are a line through two points: no drift is fitted.
  samples.resize(samples.size() - 2);
  EXPECT_FALSE(talmeq::characterizeStation(samples, thresholds).hasDrift);
}

}  // namespace
