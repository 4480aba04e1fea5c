// The spot reading on hand-placed spots: the centre convention, what each
// kind of frame reads as, the arguments it refuses, and two threads reading
// at once.
#include <gtest/gtest.h>
#include <spotFrames.h>
#include <talmeq/precision.h>
#include <talmeqAlgorithm.h>

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <thread>

#include "logCapture.h"

namespace {

using talmeq::SpotStatus;
using talmeq::sim::Spot;

// A 640 x 480 frame of background 30 with the given spots (640 x 480 puts
// the detection window at x 224 .. 447, y 216 .. 359).
cv::Mat frameWith(std::vector<Spot> spots, double noise = 1.5, std::uint64_t seed = 3) {
  talmeq::sim::FrameRecipe recipe;
  recipe.background = 30.0, recipe.gradient = 10.0, recipe.noise = noise, recipe.seed = seed;
  recipe.spots = std::move(spots);
  return talmeq::sim::renderSpotFrame(recipe);
}

// A spot of sigma 2.5; a dim one stays red.
Spot spotAt(cv::Point2d centre, double peak) {
  return {centre, 2.5, peak, peak < 100.0 ? 0.15 : 0.7, peak < 100.0 ? 0.1 : 0.6};
}

TEST(SpotReading, CentreFollowsTheTruthWithPixelCentresAtIntegers) {
  talmeq::test::LogCapture quiet;
  const cv::Point2d offsets[] = {{0.0, 0.0}, {0.25, -0.4}, {0.5, 0.5}, {-0.3, 0.15}, {0.45, -0.05}};
  for (const double peak : {180.0, 900.0}) {
    for (const cv::Point2d& offset : offsets) {
      const cv::Point2d truth = cv::Point2d(330, 290) + offset;
      const cv::Mat frame = frameWith({spotAt(truth, peak)}, 0.3);
      const talmeq::SpotReading r = talmeq::readSpot(frame);
      ASSERT_TRUE(r.hasCentre()) << peak << " " << offset;
      EXPECT_EQ(r.method, talmeq::CentreMethod::kGaussianFit);
      EXPECT_LT(cv::norm(r.centre - truth), 0.01) << peak << " " << offset;
      EXPECT_TRUE(std::fabs(r.sigmaX - 2.5) < 0.05 && std::fabs(r.sigmaY - 2.5) < 0.05) << r.sigmaX << " " << r.sigmaY;
      cv::Point whole;
      EXPECT_EQ(getSpotCoord(frame, whole), r.detectorResult);
      EXPECT_EQ(whole, r.detectorSpot);
    }
  }
}

struct Scene {
  const char* name;
  std::vector<Spot> spots;
  SpotStatus status;
  int candidates;
  bool close;  // the runner-up has 70 % or more of the spot's strength
};

TEST(SpotReading, StatusNamesWhatTheFrameHolds) {
  const cv::Point2d spot(300.3, 250.6), other(400.2, 330.7);
  // clang-format off
  const Scene scenes[] = {
      {"clean", {spotAt(spot, 180.0)}, SpotStatus::kFound, 1, false},
      {"clipped", {spotAt(spot, 900.0)}, SpotStatus::kSaturated, 1, false},
      {"dim", {spotAt(spot, 80.0)}, SpotStatus::kTooDim, 1, false},
      {"empty", {}, SpotStatus::kNoSpot, 0, false},
      {"weak reflection", {spotAt(spot, 900.0), spotAt(other, 400.0)}, SpotStatus::kSaturated, 2, false},
      {"twin spots", {spotAt(spot, 900.0), spotAt(other, 800.0)}, SpotStatus::kAmbiguous, 2, true},
      {"spot cut by the window", {spotAt({447.0, 300.0}, 1500.0), spotAt(spot, 400.0)}, SpotStatus::kAmbiguous, 2,
       false},
      // The dim method's closing joins spot and glint into a blob too long to pass; the reflection remains.
      {"spot merged with a glint",
       {spotAt(other, 90.0), spotAt(spot, 180.0), {spot + cv::Point2d(40, 0), 0.6, 250.0, 1, 1}},
       SpotStatus::kAmbiguous, 1, true},
  };
  // clang-format on
  for (const Scene& scene : scenes) {
    const talmeq::SpotReading r = talmeq::readSpot(frameWith(scene.spots));
    EXPECT_EQ(r.status, scene.status) << scene.name << ": " << toText(r.status);
    EXPECT_EQ(r.candidates, scene.candidates) << scene.name;
    if (scene.spots.empty()) {
      EXPECT_TRUE(std::isnan(r.centre.x) && std::isnan(r.uncertainty) && r.method == talmeq::CentreMethod::kNone);
      continue;
    }
    // The stronger of two spots, named with the other; the clipped share and
    // the peak above 255 tell a clipped spot.
    EXPECT_LT(cv::norm(r.centre - scene.spots[0].centre), 0.1) << scene.name;
    if (r.runnerUp > 0.0) {
      EXPECT_LT(cv::norm(r.runnerUpCentre - scene.spots[1].centre), 1.0) << scene.name;
    }
    EXPECT_EQ(r.runnerUp >= 0.7, scene.close) << scene.name << " " << r.runnerUp;
    EXPECT_EQ(r.saturatedFraction > 0.0, r.peak > 255.0) << scene.name;
    EXPECT_GT(r.uncertainty, 0.0) << scene.name;
  }
}

TEST(SpotReading, RefusesImagesItCannotSearch) {
  const cv::Mat colour = frameWith({spotAt({300, 250}, 900.0)});
  cv::Mat grey, deep;
  cv::extractChannel(colour, grey, 2);
  colour.convertTo(deep, CV_16UC3, 256.0);
  for (const cv::Mat& image : {cv::Mat(), grey, deep, cv::Mat(colour, cv::Rect(0, 0, 11, 13))})
    EXPECT_THROW(talmeq::readSpot(image), cv::Exception) << image.size() << " type " << image.type();
  cv::Mat withAlpha;
  cv::cvtColor(colour, withAlpha, cv::COLOR_BGR2BGRA);
  EXPECT_EQ(talmeq::readSpot(withAlpha).centre, talmeq::readSpot(colour).centre);
}

TEST(SpotReading, TwoThreadsReadAsOneDoes) {
  std::vector<cv::Mat> frames;
  for (int i = 0; i < 24; ++i)
    frames.push_back(frameWith({spotAt({290.0 + 2.3 * i, 240.0 + 3.7 * i}, 120.0 + 40.0 * i)}, 2.0, 50 + i));
  std::vector<cv::Point2d> alone, together(frames.size());
  for (const cv::Mat& frame : frames) alone.push_back(talmeq::readSpot(frame).centre);
  const auto half = [&](std::size_t first) {
    for (std::size_t i = first; i < frames.size(); i += 2) together[i] = talmeq::readSpot(frames[i]).centre;
  };
  std::thread a(half, 0), b(half, 1);
  a.join(), b.join();
  EXPECT_EQ(alone, together);
}

}  // namespace
