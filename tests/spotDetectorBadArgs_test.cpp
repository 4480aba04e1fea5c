// getSpotCoord with inputs outside its contract: OpenCV errors pass through
// unchanged (no failure record), and windows too small to rank are refused.
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include "logCapture.h"
#include "spotScenes.h"

namespace {

using talmeq::test::LogCapture;

TEST(SpotDetectorBadArgs, OneChannelImageRaisesCvExceptionWithoutRecord) {
  LogCapture capture;
  cv::Point coord(3, 3);
  EXPECT_THROW(getSpotCoord(cv::Mat(100, 100, CV_8UC1, cv::Scalar(0)), coord), cv::Exception);
  EXPECT_TRUE(capture.failures().empty());
  EXPECT_EQ(coord, cv::Point(0, 0));
}

TEST(SpotDetectorBadArgs, NonByteDepthRaisesCvException) {
  for (const int type : {CV_16UC3, CV_32FC3, CV_8SC3}) {
    LogCapture capture;
    cv::Point coord;
    EXPECT_THROW(getSpotCoord(cv::Mat(100, 100, type, cv::Scalar::all(0)), coord), cv::Exception) << type;
    EXPECT_TRUE(capture.failures().empty());
  }
}

TEST(SpotDetectorBadArgs, WindowOfFewerThanSixteenPixelsReturnsMinus2) {
  // 12 x 14 gives a 4 x 4 window, the smallest that can be ranked.
  for (const cv::Size size : {cv::Size(11, 14), cv::Size(12, 13), cv::Size(200, 3), cv::Size(1, 1)}) {
    LogCapture capture;
    cv::Point coord(1, 1);
    EXPECT_EQ(getSpotCoord(talmeq::test::flatScene(size, 255), coord), -2) << size;
    EXPECT_EQ(coord, cv::Point(0, 0));
    EXPECT_EQ(capture.failures().size(), 1u);
  }
  cv::Point coord;
  EXPECT_NE(getSpotCoord(talmeq::test::flatScene({12, 14}, 255), coord), -2);
}

TEST(SpotDetectorBadArgs, NonContinuousViewIsReadThroughItsOwnStride) {
  cv::Mat parent = talmeq::test::flatScene({300, 200}, 30);
  cv::Mat view = parent(cv::Rect(50, 40, 100, 100));
  talmeq::test::paint(view, {50, 60, 5, 5}, 255);
  talmeq::test::paint(parent, {0, 0, 300, 40}, 255);  // bright outside the view
  ASSERT_FALSE(view.isContinuous());
  cv::Point coord;
  EXPECT_EQ(getSpotCoord(view, coord), 0);
  EXPECT_EQ(coord, cv::Point(52, 62));
}

TEST(SpotDetectorBadArgs, FourChannelImageIsReadAsBgrWithAlpha) {
  cv::Mat scene(100, 100, CV_8UC4, cv::Scalar(30, 30, 30, 255));
  scene(cv::Rect(50, 60, 5, 5)).setTo(cv::Scalar(255, 255, 255, 255));
  cv::Point coord;
  EXPECT_EQ(getSpotCoord(scene, coord), 0);
  EXPECT_EQ(coord, cv::Point(52, 62));
}

}  // namespace
