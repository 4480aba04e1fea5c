// Heights from sub-pixel spots on the simulated station: the calibration
// file it writes, the precision against the whole-pixel road on the same
// frames, and what each file or frame reads as.
#include <datasetWriter.h>
#include <talmeq/precision.h>
#include <talmeqAlgorithm.h>

#include <cmath>
#include <iostream>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

using talmeq::HeightStatus;
using talmeq::ModelStatus;
namespace sim = talmeq::sim;

// Both roads calibrate from the station's frames at heights 0 .. 30 and
// measure the same 20 frames at other heights.
TEST(HeightReading, SubPixelRoadCutsTheWorstHeightErrorToAQuarter) {
  talmeq::test::LogCapture quiet;
  talmeq::test::ScratchFolder folder;
  const sim::Station station = sim::datasetStation();
  const std::vector<double> heights = sim::datasetCalibrationHeights();
  const std::string precise = folder.file("precise.yml"), whole = folder.file("whole.yml");
  std::vector<cv::Point2d> centres;
  std::vector<cv::Point> coords(heights.size());
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const cv::Mat frame = sim::stationFrame(station, heights[i], 100 + i);
    centres.push_back(talmeq::readSpot(frame).centre);
    getSpotCoord(frame, coords[i]);
  }
  sim::writeStartingCalibration(station, precise);
  sim::writeStartingCalibration(station, whole);
  const talmeq::HeightModel model = talmeq::fitHeightModel(heights, centres, precise);
  ASSERT_EQ(model.status, ModelStatus::kWritten);
  ASSERT_EQ(getCalibrationParamByLinear(heights, coords, whole), 0);
  EXPECT_EQ(talmeq::test::topLevelKeys(precise), talmeq::test::elevenKeys());
  EXPECT_NE(model.reference.x, std::floor(model.reference.x));  // fractional reference point
  EXPECT_LT(model.averageError, 0.01);

  double worstPrecise = 0.0, worstWhole = 0.0, squared = 0.0, reported = 0.0, lastHeight = NAN, lastD = NAN,
         lastPerPixel = NAN;
  const std::vector<double> truths = sim::datasetMeasureHeights();
  for (std::size_t i = 0; i < truths.size(); ++i) {
    const cv::Mat frame = sim::stationFrame(station, truths[i], 500 + i);
    const talmeq::HeightReading r = talmeq::readHeight(frame, precise);
    ASSERT_EQ(r.status, HeightStatus::kMeasured) << truths[i];
    EXPECT_DOUBLE_EQ(r.axisZ, r.height + station.initZ + station.focusD);
    EXPECT_FALSE(r.wholePixelCalibration);
    EXPECT_TRUE(talmeq::readHeight(frame, whole).wholePixelCalibration);  // its reference point is a whole pixel
    // The height per pixel is the model's slope: between two frames, the mean of theirs.
    const double d = cv::norm(r.spot.centre - model.reference);
    if (i > 0) {
      EXPECT_NEAR(std::fabs((r.height - lastHeight) / (d - lastD)), (r.heightPerPixel + lastPerPixel) / 2, 1e-3);
    }
    lastHeight = r.height, lastD = d, lastPerPixel = r.heightPerPixel;
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
  EXPECT_LT(worstWhole, 0.2);
  EXPECT_LE(worstPrecise, worstWhole / 4.0);
  EXPECT_TRUE(uncertainty > rms / 2.0 && uncertainty < rms * 2.0);
}

// The station's file (as a calibration from its frames writes it), with
// `window` as its "RoI" and `initZ`.
std::string stationFile(const talmeq::test::ScratchFolder& folder, const std::string& name, cv::Rect window,
                        double initZ = -31.0) {
  talmeq::CalibrationValues v;
  v.k = 1.04, v.initialX = 512.0, v.initialY = 491.5, v.scale = 0.1, v.dist = 300.0, v.initZ = initZ, v.roi = window;
  talmeq::detail::writeCalibration(folder.file(name), v);
  return folder.file(name);
}

// Windows that cut the clipped spot down to its core leave the fit too few
// unclipped pixels: the centroid takes over, then nothing is measurable.
TEST(HeightReading, StatusNamesWhatTheFileAndFrameHold) {
  talmeq::test::ScratchFolder folder;
  const sim::Station station = sim::datasetStation();
  const cv::Point2d truth = sim::spotAtHeight(station, 12.0);
  const cv::Point at(cvRound(truth.x), cvRound(truth.y));
  const cv::Rect calibrated(466, 463, 337, 202);
  const std::string good = stationFile(folder, "good.yml", calibrated), bad = folder.file("bad.yml");
  talmeq::test::writeYaml(bad, "k: [ 1.04\n");
  const cv::Mat spot = sim::stationFrame(station, 12.0, 9), blank = sim::stationFrame(station, 60.0, 9);
  using talmeq::CentreMethod;
  const struct {
    const char* name;
    cv::Mat frame;
    std::string path;
    HeightStatus status;
    CentreMethod method;
  } cases[] = {
      {"measured", spot, good, HeightStatus::kMeasured, CentreMethod::kGaussianFit},
      {"out of range", spot, stationFile(folder, "high.yml", calibrated, 10.0), HeightStatus::kOutOfRange,
       CentreMethod::kGaussianFit},
      {"no spot in the window", blank, good, HeightStatus::kNoSpot, CentreMethod::kNone},
      {"missing file", spot, folder.file("none.yml"), HeightStatus::kNoCalibration, CentreMethod::kNone},
      {"unparsable file", spot, bad, HeightStatus::kNoCalibration, CentreMethod::kNone},
      {"window beyond a small image", spot(cv::Rect(0, 0, 800, 600)), good, HeightStatus::kWindowOutside,
       CentreMethod::kNone},
      {"7 x 7 window", spot, stationFile(folder, "7.yml", {at - cv::Point(3, 3), cv::Size(7, 7)}),
       HeightStatus::kMeasured, CentreMethod::kHalfMaxCentroid},
      {"5 x 5 window", spot, stationFile(folder, "5.yml", {at - cv::Point(2, 2), cv::Size(5, 5)}),
       HeightStatus::kNoSpot, CentreMethod::kNone},
  };
  for (const auto& c : cases) {
    const talmeq::HeightReading r = talmeq::readHeight(c.frame, c.path);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << toText(r.status);
    EXPECT_EQ(r.spot.method, c.method) << c.name;
    const bool measured = c.status == HeightStatus::kMeasured || c.status == HeightStatus::kOutOfRange;
    EXPECT_EQ(std::isfinite(r.height) && std::isfinite(r.heightUncertainty), measured) << c.name;
    EXPECT_EQ(cv::norm(r.spot.centre - truth) < 4.0 * r.spot.uncertainty, measured) << c.name;
  }
  EXPECT_NEAR(talmeq::readHeight(spot, good).height, 12.0, 0.05);
  EXPECT_THROW(talmeq::readHeight(cv::Mat(), good), cv::Exception);
}

TEST(HeightReading, ModelRefusesUnusableSeriesAndReportsItsFile) {
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("model.yml"), noDist = folder.file("noDist.yml");
  talmeq::test::writeYaml(path, "scale: 0.1\ndist: 300.0\ninitZ: -31.0\nfocusD: 0.5\n");
  talmeq::test::writeYaml(noDist, "scale: 0.1\ninitZ: -31.0\n");
  const std::vector<cv::Point2d> line{{100.5, 50.25}, {110.5, 50.25}, {120.5, 50.25}};
  const double nan = std::nan("");
  const std::pair<std::vector<double>, std::vector<cv::Point2d>> refused[] = {
      {{0, 1}, {line[0], line[1]}},
      {{0, 1, 2, 3}, line},
      {{0, 1, 0}, line},
      {{0, nan, 2}, line},
      {{0, 1, 2}, {line[0], {nan, 1}, line[2]}}};
  for (const auto& [h, c] : refused) EXPECT_THROW(talmeq::fitHeightModel(h, c, path), cv::Exception);

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
  EXPECT_TRUE(talmeq::detail::readCalibration(path, written) && written.initialX == 100.5 && written.k == fit.k);
  // A poor fit now keeps the whole calibration, unless asked to replace it.
  EXPECT_EQ(talmeq::fitHeightModel({0, 1, 2}, {line[0], line[0], line[2]}, path).status, ModelStatus::kKept);
  EXPECT_TRUE(talmeq::detail::readCalibration(path, written) && written.k == fit.k);
  EXPECT_EQ(talmeq::fitHeightModel({0, 1, 2}, {line[0], line[0], line[2]}, path, {true}).status, ModelStatus::kPoorFit);
}

}  // namespace
