// The texts a host shows its operator, at the boundaries of their rules:
// where two readings of one spot stop agreeing, and which settings can
// carry a calibration.
#include <gtest/gtest.h>
#include <talmeq/annotations.h>
#include <talmeq/calibrationFileContent.h>
#include <talmeq/explanations.h>

#include <limits>

namespace {

TEST(Explanations, ReadingsDisagreeFromJustPastThreePixels) {
  talmeq::SpotReading reading;
  reading.status = talmeq::SpotStatus::kFound;
  reading.centre = {103.0, 50.0};
  EXPECT_EQ(talmeq::readingsDisagreement("getSpotCoord", {100, 50}, "readSpot", reading), "");
  reading.centre = {102.0, 52.3};
  EXPECT_EQ(talmeq::readingsDisagreement("getSpotCoord", {100, 50}, "readSpot", reading),
            "the whole-pixel spot (100, 50) and the sub-pixel spot (102.000, 52.300) lie 3.0 px apart: the two "
            "readings disagree");
  reading.status = talmeq::SpotStatus::kNoSpot;
  EXPECT_EQ(talmeq::readingsDisagreement("getSpotCoord", {100, 50}, "readSpot", reading),
            "readSpot found noSpot where getSpotCoord found a spot at (100, 50)");
}

TEST(Explanations, SettingsNeedAPositiveScaleAndADistAboveTheWindowsTop) {
  talmeq::CalibrationValues settings;
  settings.scale = 0.1, settings.dist = 32.001, settings.initZ = -31.0, settings.focusD = 0.0;
  EXPECT_EQ(talmeq::settingsProblem(settings), "");
  settings.dist = 32.0;
  EXPECT_EQ(talmeq::settingsProblem(settings),
            "dist must be a number above 32, the highest height the search window spans");
  settings.dist = 300.0, settings.scale = 0.0;
  EXPECT_EQ(talmeq::settingsProblem(settings), "scale must be a positive number");
  settings.scale = 0.1, settings.focusD = std::numeric_limits<double>::infinity();
  EXPECT_EQ(talmeq::settingsProblem(settings), "initZ and focusD must be finite numbers");
}

TEST(Explanations, PicturesRefuseAnythingButAColourFrame) {
  const talmeq::SpotDetectionRecord record;
  const cv::Mat grey(48, 64, CV_8UC1, cv::Scalar(30)), colour(48, 64, CV_8UC3, cv::Scalar::all(30));
  for (const cv::Mat& image : {cv::Mat(), grey})
    EXPECT_THROW(talmeq::annotateSpot(image, record, false, {}, "none"), cv::Exception);
  EXPECT_EQ(talmeq::annotateSpot(colour, record, false, {}, "none").size(), colour.size());
}

}  // namespace
