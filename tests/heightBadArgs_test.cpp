// The height measurement with inputs outside its contract: windows that do
// not lie inside the image (overflowing ones included) and images that are
// not BGR raise OpenCV's error unchanged; an OpenCV error turned into a text
// exception comes back as -999 without a failure record.
#include <gtest/gtest.h>

#include <calibrationFile.h>
#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include <climits>

#include "calibrationFiles.h"
#include "logCapture.h"
#include "spotScenes.h"

namespace {

using talmeq::test::flatScene;
using talmeq::test::LogCapture;

const cv::Mat kScene = flatScene({200, 200}, 40);

TEST(HeightBadArgs, RegionOutsideTheImageOrOfNegativeSizeRaisesCvException) {
  LogCapture capture;
  const cv::Rect regions[] = {{-1, 0, 50, 50},   {0, -1, 50, 50},      {160, 0, 41, 50},
                              {0, 160, 50, 41},  {50, 50, -10, 20},    {50, 50, 20, -10},
                              {INT_MAX - 5, 0, 10, 10}, {0, INT_MAX - 5, 10, 10},
                              {100, 100, INT_MAX, 5}};
  for (const cv::Rect& roi : regions) {
    cv::Point spot(7, 7);
    EXPECT_THROW(getSpotCoordInRoI(kScene, roi, spot), cv::Exception) << roi;
  }
  EXPECT_EQ(capture.calls(), 0);
}

TEST(HeightBadArgs, DamagedFileWindowRaisesThroughTheMeasurement) {
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  LogCapture capture;
  // x + width overflows an int; a negative width; a window beyond the image.
  for (const std::string roi : {"[ 2147483600, 10, 100, 20 ]", "[ 50, 50, -20, 20 ]", "[ 150, 150, 60, 60 ]"}) {
    talmeq::test::writeYaml(path, "k: 1.\ndist: 100.\nscale: 1.\nRoI: " + roi + "\n");
    double height = 1.0, axisZ = 2.0;
    EXPECT_THROW(getPlaneHeightByLinear(kScene, path, height, axisZ), cv::Exception) << roi;
    EXPECT_EQ(height, 1.0);
    EXPECT_EQ(axisZ, 2.0);
  }
  EXPECT_EQ(capture.calls(), 0);
}

TEST(HeightBadArgs, OneChannelImageRaisesCvException) {
  cv::Point spot;
  EXPECT_THROW(getSpotCoordInRoI(cv::Mat(200, 200, CV_8UC1, cv::Scalar(0)), {10, 10, 50, 50}, spot),
               cv::Exception);
}

// Makes every OpenCV error throw a text exception while it lives.
class TextErrors {
public:
  TextErrors() { previous_ = cv::redirectError(&throwText, nullptr, &previousData_); }
  ~TextErrors() { cv::redirectError(previous_, previousData_); }

private:
  static int throwText(int, const char*, const char*, const char*, int, void*) { throw "opencv error"; }
  cv::ErrorCallback previous_ = nullptr;
  void* previousData_ = nullptr;
};

TEST(HeightBadArgs, TextExceptionInsideComesBackAsMinus999WithoutRecord) {
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  talmeq::test::writeYaml(path, "k: 1.\ndist: 100.\nscale: 1.\nRoI: [ 150, 150, 60, 60 ]\n");
  LogCapture capture;
  TextErrors textErrors;
  cv::Point spot(5, 5);
  EXPECT_EQ(getSpotCoordInRoI(kScene, {150, 150, 60, 60}, spot), -999);
  EXPECT_EQ(spot, cv::Point(0, 0));
  double height = 1.0, axisZ = 2.0;
  EXPECT_EQ(getPlaneHeightByLinear(kScene, path, height, axisZ), -999);
  EXPECT_EQ(height, 1.0);
  EXPECT_EQ(axisZ, 2.0);
  // A one-channel image fails in the grey conversion: -999 as well.
  EXPECT_EQ(getPlaneHeightByLinear(cv::Mat(200, 200, CV_8UC1, cv::Scalar(0)), path, height, axisZ), -999);
  EXPECT_EQ(capture.calls(), 0);
}

}  // namespace
