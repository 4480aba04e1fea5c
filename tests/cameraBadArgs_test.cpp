// The camera calibration and correction exports with inputs outside their
// contract: OpenCV errors pass through unchanged (no failure record),
// inconsistent ArUco lists are refused with -2, and thicknesses at and beyond
// the reference distance are not refused.
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include <string>

#include "logCapture.h"

namespace {

using talmeq::test::LogCapture;
using Markers = std::vector<std::vector<cv::Point2f>>;
using Lines = std::vector<std::string>;

const cv::Mat kCamera = (cv::Mat_<double>(3, 3) << 400, 0, 160, 0, 400, 120, 0, 0, 1);
const cv::Mat kNoDistortion = cv::Mat::zeros(1, 5, CV_64F);

cv::Mat randomImage(int type) {
  cv::Mat image(240, 320, type);
  cv::RNG rng(5);
  rng.fill(image, cv::RNG::UNIFORM, 0, 256);
  return image;
}

TEST(CameraBadArgs, OneChannelImageToCalibChessRaisesCvExceptionAfterTheStartMessage) {
  LogCapture capture;
  cv::Mat camera = cv::Mat::eye(3, 3, CV_64F), dist = cv::Mat::ones(1, 5, CV_64F);
  EXPECT_THROW(calibChess(randomImage(CV_8UC1), camera, dist), cv::Exception);
  EXPECT_EQ(capture.printed(), Lines{"calibChess: start!"});
  EXPECT_EQ(cv::sum(dist)[0], 5.0);
}

TEST(CameraBadArgs, UnusableCameraMatrixForThicknessCorrectionRaisesCvException) {
  const cv::Mat twoByThree = kCamera.rowRange(0, 2).clone();
  cv::Mat bytes;
  kCamera.convertTo(bytes, CV_8U);
  for (const cv::Mat& camera : {twoByThree, bytes}) {
    LogCapture capture;
    cv::Mat corrected;
    EXPECT_THROW(getCorrectImgByThickness(randomImage(CV_8UC3), camera, kNoDistortion, 19.0, corrected),
                 cv::Exception);
    EXPECT_EQ(capture.printed(), Lines{"getCorrectImg: start!"});
  }
}

TEST(CameraBadArgs, ThicknessOfTheReferenceDistanceAndBeyondIsNotRefused) {
  const cv::Mat image = randomImage(CV_8UC3);
  LogCapture capture;
  cv::Mat degenerate, mirrored;
  EXPECT_EQ(getCorrectImgByThickness(image, kCamera, kNoDistortion, 190.0, degenerate), 0);
  EXPECT_EQ(degenerate.size(), image.size());
  // 380 gives the scale -1: the image turned half a turn about (160, 120).
  ASSERT_EQ(getCorrectImgByThickness(image, kCamera, kNoDistortion, 380.0, mirrored), 0);
  EXPECT_EQ(mirrored.at<cv::Vec3b>(120 - 37, 160 - 81), image.at<cv::Vec3b>(120 + 37, 160 + 81));
  EXPECT_EQ(mirrored.at<cv::Vec3b>(120 + 100, 160 + 150), image.at<cv::Vec3b>(120 - 100, 160 - 150));
  EXPECT_TRUE(capture.failures().empty());
}

TEST(CameraBadArgs, UnusableDistortionForUndistAndFloatImageForDetectionRaiseCvException) {
  LogCapture capture;
  cv::Mat corrected;
  EXPECT_THROW(undistAruco(randomImage(CV_8UC3), kCamera, cv::Mat::zeros(1, 3, CV_64F), {320, 240}, corrected),
               cv::Exception);
  std::vector<int> ids;
  Markers corners;
  EXPECT_THROW(getArucoCorners(randomImage(CV_32FC3), ids, corners), cv::Exception);
  EXPECT_TRUE(capture.printed().empty());
}

// Four corners of one marker; the calibration never gets to look at them.
Markers oneMarker() { return {{{10, 10}, {50, 10}, {50, 50}, {10, 50}}}; }

TEST(CameraBadArgs, FewerIdentifiersThanMarkersReturnMinus2AndLeaveTheOutputsUntouched) {
  const std::vector<Markers> twoViews = {oneMarker(), oneMarker()};
  const std::vector<std::vector<std::vector<int>>> shortIds = {
      {{0}},       // one view of identifiers for two views of corners
      {{0}, {}},   // the second view has no identifier for its marker
      {},          // no identifiers at all
  };
  for (const auto& ids : shortIds) {
    LogCapture capture;
    cv::Mat camera = cv::Mat::eye(3, 3, CV_64F), dist = cv::Mat::ones(1, 5, CV_64F);
    const uchar* cameraData = camera.data;
    EXPECT_EQ(calibAruco(twoViews, ids, {640, 480}, camera, dist), -2);
    EXPECT_EQ(camera.data, cameraData);
    EXPECT_EQ(cv::countNonZero(camera != cv::Mat::eye(3, 3, CV_64F)), 0);
    EXPECT_EQ(cv::sum(dist)[0], 5.0);
    const Lines printed = capture.printed();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].rfind(talmeq::test::failurePrefix("calibAruco", -2) + " at ", 0), 0u);
  }
}

TEST(CameraBadArgs, ViewWithoutMarkersRaisesCvExceptionFromTheCalibration) {
  LogCapture capture;
  cv::Mat camera, dist;
  EXPECT_THROW(calibAruco({oneMarker(), Markers{}}, {{0}, {}}, {640, 480}, camera, dist), cv::Exception);
  EXPECT_TRUE(capture.printed().empty());
}

}  // namespace
