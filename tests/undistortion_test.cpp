// undistAruco: an exact copy with zero coefficients, the output size chosen
// by the caller (black where the image ends), and a rendering made through a
// distorted lens straightened onto the distortion-free rendering.
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include <cstdio>

#include "calibrationScenes.h"
#include "logCapture.h"

namespace {

using talmeq::test::LogCapture;

constexpr double kMaxStraightenedError = 0.5;  // pixels

cv::Mat randomImage(cv::Size size, int type) {
  cv::Mat image(size, type);
  cv::RNG rng(17);
  rng.fill(image, cv::RNG::UNIFORM, 0, 256);
  return image;
}

TEST(Undistortion, ZeroCoefficientsCopyTheImageWhereTheOutputOverlapsIt) {
  const cv::Mat camera = (cv::Mat_<double>(3, 3) << 400, 0, 161.5, 0, 410, 118.25, 0, 0, 1);
  const cv::Mat zeros = cv::Mat::zeros(1, 5, CV_64F);
  for (const int type : {CV_8UC3, CV_8UC1, CV_32FC1}) {
    const cv::Mat image = randomImage({320, 240}, type);
    for (const cv::Size size : {cv::Size(320, 240), cv::Size(200, 100), cv::Size(400, 300)}) {
      LogCapture capture;
      cv::Mat corrected;
      ASSERT_EQ(undistAruco(image, camera, zeros, size, corrected), 0);
      EXPECT_TRUE(capture.printed().empty());
      ASSERT_EQ(corrected.size(), size);
      ASSERT_EQ(corrected.type(), type);
      const cv::Rect overlap = cv::Rect(0, 0, 320, 240) & cv::Rect(cv::Point(0, 0), size);
      EXPECT_EQ(cv::norm(corrected(overlap), image(overlap), cv::NORM_INF), 0.0) << size << " type " << type;
      if (size.width > image.cols) {
        // Beyond the image the output is black.
        EXPECT_EQ(cv::countNonZero(corrected.colRange(320, size.width).reshape(1)), 0);
        EXPECT_EQ(cv::countNonZero(corrected.rowRange(240, size.height).reshape(1)), 0);
      }
    }
  }
}

TEST(Undistortion, DistortedRenderingIsStraightenedOntoTheDistortionFreeRendering) {
  const talmeq::sim::Camera camera = talmeq::test::distortedCamera();
  const talmeq::sim::Target chess = talmeq::sim::chessboardTarget();
  const talmeq::sim::Pose pose = talmeq::test::chessPose(chess);
  const cv::Mat distorted = talmeq::sim::renderView(chess, camera, pose).image;
  const talmeq::sim::View ideal = talmeq::sim::renderView(chess, camera.withoutDistortion(), pose);

  cv::Mat corrected;
  ASSERT_EQ(undistAruco(distorted, camera.matrix(), camera.distortion(), distorted.size(), corrected), 0);
  const std::vector<cv::Point2f> straightened = talmeq::test::subpixelChessCorners(corrected);
  const std::vector<cv::Point2f> reference = talmeq::test::subpixelChessCorners(ideal.image);
  ASSERT_EQ(straightened.size(), ideal.points.size());
  ASSERT_EQ(reference.size(), ideal.points.size());

  const double toRendering = talmeq::test::worstNearestDistance(straightened, reference);
  const double toTruth = talmeq::test::worstNearestDistance(straightened, ideal.points);
  const double before = talmeq::test::worstNearestDistance(talmeq::test::subpixelChessCorners(distorted), ideal.points);
  std::printf("undistAruco: worst corner distance %.3f px to the distortion-free rendering, %.3f px to the "
              "true positions (%.2f px before correction)\n",
              toRendering, toTruth, before);
  EXPECT_LT(toRendering, kMaxStraightenedError);
  EXPECT_LT(toTruth, kMaxStraightenedError);
}

}  // namespace
