// Heights from sub-pixel spots on the simulated station: the calibration
// file it writes, the precision against the whole-pixel road on the same
// frames, and what each file or frame reads as.
#include <gtest/gtest.h>

#include <datasetWriter.h>
#include <station.h>
#include <talmeqAlgorithm.h>
#include <talmeqStation.h>

#include <cmath>
#include <iostream>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

using talmeq::HeightStatus;
using talmeq::ModelStatus;
namespace sim = talmeq::sim;

// The station's calibration frames (heights 0 .. 30) read both ways, each
// road's file written from them.
struct Calibrated {
  sim::Station station = sim::datasetStation();
  std::vector<double> heights = sim::datasetCalibrationHeights();
  talmeq::HeightModel model;
  int wholePixelResult = 0;
};

Calibrated calibrateBothWays(const std::string& precisePath, const std::string& wholePath) {
  Calibrated c;
  std::vector<cv::Point2d> centres;
  std::vector<cv::Point> coords;
  for (std::size_t i = 0; i < c.heights.size(); ++i) {
    const cv::Mat frame = sim::stationFrame(c.station, c.heights[i], 100 + i);
    centres.push_back(talmeq::readSpot(frame).centre);
    coords.emplace_back();
    getSpotCoord(frame, coords.back());
  }
  sim::writeStartingCalibration(c.station, precisePath);
  sim::writeStartingCalibration(c.station, wholePath);
  c.model = talmeq::fitHeightModel(c.heights, centres, precisePath);
  c.wholePixelResult = getCalibrationParamByLinear(c.heights, coords, wholePath);
  return c;
}

TEST(HeightReading, SubPixelRoadCutsTheWorstHeightErrorToAQuarter) {
  talmeq::test::LogCapture quiet;
  talmeq::test::ScratchFolder folder;
  const std::string precise = folder.file("precise.yml"), whole = folder.file("whole.yml");
  const Calibrated c = calibrateBothWays(precise, whole);
  ASSERT_EQ(c.model.status, ModelStatus::kWritten);
  ASSERT_EQ(c.wholePixelResult, 0);
  EXPECT_EQ(talmeq::test::topLevelKeys(precise), talmeq::test::elevenKeys());
  EXPECT_NE(c.model.reference.x, std::floor(c.model.reference.x));  // fractional reference point
  EXPECT_LT(c.model.averageError, 0.01);

  double worstPrecise = 0.0, worstWhole = 0.0, squared = 0.0, reported = 0.0;
  const std::vector<double> truths = sim::datasetMeasureHeights();
  for (std::size_t i = 0; i < truths.size(); ++i) {
    const cv::Mat frame = sim::stationFrame(c.station, truths[i], 500 + i);
    const talmeq::HeightReading r = talmeq::readHeight(frame, precise);
    ASSERT_EQ(r.status, HeightStatus::kMeasured) << truths[i];
    EXPECT_DOUBLE_EQ(r.axisZ, r.height + c.station.initZ + c.station.focusD);
    double height = NAN, axisZ = NAN;
    ASSERT_EQ(getPlaneHeightByLinear(frame, whole, height, axisZ), 0);
    worstPrecise = std::max(worstPrecise, std::fabs(r.height - truths[i]));
    worstWhole = std::max(worstWhole, std::fabs(height - truths[i]));
    squared += std::pow(r.height - truths[i], 2);
    reported += r.heightUncertainty * r.heightUncertainty;
    // The whole-pixel measurement reads the file the precise road wrote.
    EXPECT_EQ(getPlaneHeightByLinear(frame, precise, height, axisZ), 0);
  }
  const double rms = std::sqrt(squared / truths.size()), uncertainty = std::sqrt(reported / truths.size());
  std::cout << "worst height error: whole pixels " << worstWhole << ", sub-pixel " << worstPrecise << " (rms " << rms
            << ", reported " << uncertainty << ")\n";
  EXPECT_LE(worstPrecise, worstWhole / 4.0);
  EXPECT_GT(uncertainty, rms / 2.0);
  EXPECT_LT(uncertainty, rms * 2.0);
}

TEST(HeightReading, StatusNamesWhatTheFileAndFrameHold) {
  talmeq::test::ScratchFolder folder;
  const sim::Station station = sim::datasetStation();
  const std::string good = folder.file("good.yml"), high = folder.file("high.yml"), bad = folder.file("bad.yml");
  talmeq::test::writeYaml(good, "k: 1.04\nb: 0.0\ninitialX: 512.0\ninitialY: 491.5\nscale: 0.1\ndist: 300.0\n"
                                "initZ: -31.0\nfocusD: 0.5\nRoI: [ 466, 463, 337, 202 ]\noffsetX: 0.0\noffsetY: 0.0\n");
  talmeq::test::writeYaml(high, "k: 1.04\ninitialX: 512.0\ninitialY: 491.5\nscale: 0.1\ndist: 300.0\n"
                                "initZ: 10.0\nRoI: [ 466, 463, 337, 202 ]\n");
  talmeq::test::writeYaml(bad, "k: [ 1.04\n");
  const cv::Mat spot = sim::stationFrame(station, 12.0, 9), blank = sim::stationFrame(station, 60.0, 9);
  const struct {
    const char* name;
    cv::Mat frame;
    std::string path;
    HeightStatus status;
  } cases[] = {
      {"measured", spot, good, HeightStatus::kMeasured},
      {"out of range", spot, high, HeightStatus::kOutOfRange},
      {"no spot in the window", blank, good, HeightStatus::kNoSpot},
      {"missing file", spot, folder.file("none.yml"), HeightStatus::kNoCalibration},
      {"unparsable file", spot, bad, HeightStatus::kNoCalibration},
      {"window beyond a small image", spot(cv::Rect(0, 0, 800, 600)), good, HeightStatus::kWindowOutside},
  };
  for (const auto& c : cases) {
    const talmeq::HeightReading r = talmeq::readHeight(c.frame, c.path);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << toText(r.status);
    const bool measured = c.status == HeightStatus::kMeasured || c.status == HeightStatus::kOutOfRange;
    EXPECT_EQ(std::isfinite(r.height) && std::isfinite(r.heightUncertainty), measured) << c.name;
    EXPECT_EQ(r.spot.hasCentre(), measured) << c.name;
  }
  EXPECT_NEAR(talmeq::readHeight(spot, good).height, 12.0, 0.05);
  EXPECT_THROW(talmeq::readHeight(cv::Mat(), good), cv::Exception);
}

// A window that cuts the clipped spot down to its core leaves the fit too
// few unclipped pixels: the centroid takes over, then nothing is measurable.
TEST(HeightReading, NarrowWindowsFallBackToTheCentroidThenToNoSpot) {
  talmeq::test::ScratchFolder folder;
  const sim::Station station = sim::datasetStation();
  const cv::Point2d truth = sim::spotAtHeight(station, 12.0);
  const struct {
    int side;
    talmeq::CentreMethod method;
  } windows[] = {{11, talmeq::CentreMethod::kGaussianFit},
                 {7, talmeq::CentreMethod::kHalfMaxCentroid},
                 {5, talmeq::CentreMethod::kNone}};
  for (const auto& w : windows) {
    const std::string path = folder.file("side" + std::to_string(w.side) + ".yml");
    const cv::Point corner = cv::Point(cvRound(truth.x), cvRound(truth.y)) - cv::Point(w.side / 2, w.side / 2);
    talmeq::test::writeYaml(path, "k: 1.04\ninitialX: 512.0\ninitialY: 491.5\nscale: 0.1\ndist: 300.0\ninitZ: -31.0\n"
                                  "RoI: [ " + std::to_string(corner.x) + ", " + std::to_string(corner.y) + ", " +
                                  std::to_string(w.side) + ", " + std::to_string(w.side) + " ]\n");
    const talmeq::HeightReading r = talmeq::readHeight(sim::stationFrame(station, 12.0, 9), path);
    EXPECT_EQ(r.spot.method, w.method) << w.side;
    EXPECT_EQ(r.status, w.side > 5 ? HeightStatus::kMeasured : HeightStatus::kNoSpot) << w.side;
    EXPECT_EQ(cv::norm(r.spot.centre - truth) < 4.0 * r.spot.uncertainty, w.side > 5) << w.side;
  }
}

TEST(HeightReading, ModelRefusesUnusableSeriesAndReportsItsFile) {
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("model.yml"), noDist = folder.file("noDist.yml");
  talmeq::test::writeYaml(path, "scale: 0.1\ndist: 300.0\ninitZ: -31.0\nfocusD: 0.5\n");
  talmeq::test::writeYaml(noDist, "scale: 0.1\ninitZ: -31.0\n");
  const std::vector<cv::Point2d> line{{100.5, 50.25}, {110.5, 50.25}, {120.5, 50.25}};
  const double nan = std::nan("");
  const struct {
    std::vector<double> heights;
    std::vector<cv::Point2d> centres;
  } refused[] = {{{0, 1}, {line[0], line[1]}},      {{0, 1, 2, 3}, line},   {{0, 1, 0}, line},
                 {{0, nan, 2}, line},               {{0, 1, 2}, {line[0], {nan, 1}, line[2]}}};
  for (const auto& r : refused) EXPECT_THROW(talmeq::fitHeightModel(r.heights, r.centres, path), cv::Exception);

  EXPECT_EQ(talmeq::fitHeightModel({0, 1, 2}, line, folder.file("none.yml")).status, ModelStatus::kNoSettings);
  EXPECT_EQ(talmeq::fitHeightModel({0, 1, 2}, line, noDist).status, ModelStatus::kNoSettings);
  EXPECT_EQ(folder.entries().size(), 2u);  // nothing written by the refusals
  const talmeq::HeightModel poor = talmeq::fitHeightModel({0, 1, 2}, {line[0], line[0], line[2]}, path);
  EXPECT_EQ(poor.status, ModelStatus::kPoorFit);
  EXPECT_NEAR(poor.averageError, 1.0 / 3.0, 1e-9);
  const talmeq::HeightModel fit = talmeq::fitHeightModel({0, 1, 2}, line, path);
  EXPECT_EQ(fit.status, ModelStatus::kWritten);
  EXPECT_EQ(fit.reference, line[0]);
  EXPECT_EQ(fit.window, cv::Rect(50, 50, 370, 0));
  talmeq::CalibrationValues written;
  ASSERT_TRUE(talmeq::readCalibration(path, written));
  EXPECT_EQ(written.initialX, 100.5);
  EXPECT_EQ(written.k, fit.k);
}

}  // namespace
