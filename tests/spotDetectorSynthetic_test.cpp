// getSpotCoord on a few hundred synthetic camera frames with known spot
// centres: bright, saturated and dim spots on varied backgrounds.
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include <cmath>
#include <cstdio>

#include "logCapture.h"
#include "spotFrames.h"

namespace {

constexpr int kFrames = 300;
constexpr double kMaxAxisError = 1.5;      // pixels, truncated coordinates
constexpr double kMinFoundFraction = 0.95;

TEST(SpotDetectorSynthetic, FindsTheTrueCentreWithinOneAndAHalfPixels) {
  talmeq::test::LogCapture quiet;  // keep the console clean
  double worst = 0.0;
  int found = 0;
  for (int seed = 1; seed <= kFrames; ++seed) {
    const talmeq::sim::FrameRecipe recipe = talmeq::sim::randomSpotFrame(seed);
    cv::Point coord;
    if (getSpotCoord(talmeq::sim::renderSpotFrame(recipe), coord) != 0) continue;
    ++found;
    const cv::Point2d truth = recipe.spots[0].centre;
    const double error = std::max(std::abs(coord.x - truth.x), std::abs(coord.y - truth.y));
    worst = std::max(worst, error);
    EXPECT_LT(error, kMaxAxisError) << "seed " << seed << " truth " << truth << " found " << coord;
  }
  std::printf("spot detector: %d of %d frames found, worst axis error %.3f px\n", found, kFrames, worst);
  EXPECT_GE(found, kMinFoundFraction * kFrames);
}

TEST(SpotDetectorSynthetic, SpotsOfEveryBrightnessClassAreFound) {
  talmeq::test::LogCapture capture;
  const double peaks[] = {1200.0, 420.0, 110.0};
  for (const double peak : peaks) {
    talmeq::sim::FrameRecipe recipe;
    talmeq::sim::Spot spot;
    spot.centre = {330.4, 280.7};
    spot.peak = peak;
    if (peak < 200) spot.green = 0.15, spot.blue = 0.1;
    recipe.spots = {spot};
    capture.clear();
    cv::Point coord;
    ASSERT_EQ(getSpotCoord(talmeq::sim::renderSpotFrame(recipe), coord), 0) << peak;
    EXPECT_NEAR(coord.x, 330, 1);
    EXPECT_NEAR(coord.y, 280, 1);
    const std::string thr = capture.printed().at(1);
    const int value = std::stoi(thr.substr(thr.find('=') + 1));
    EXPECT_EQ(value >= 200, peak > 200) << thr;
  }
}

}  // namespace
