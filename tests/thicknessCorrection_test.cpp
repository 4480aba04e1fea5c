// getCorrectImgByThickness on a rendered chessboard seen through a distorted
// camera: the corners of the result are compared with the true undistorted
// corner positions scaled about the principal point by (190 - thickness) / 190.
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include <cstdio>
#include <string>

#include "calibrationScenes.h"
#include "logCapture.h"

namespace {

using talmeq::test::LogCapture;
using Lines = std::vector<std::string>;

constexpr double kMaxCornerError = 0.3;  // pixels, reference detector on a clean rendering

class ThicknessCorrection : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    const talmeq::sim::Target chess = talmeq::sim::chessboardTarget();
    const talmeq::sim::Pose pose = talmeq::test::chessPose(chess);
    view_ = talmeq::sim::renderView(chess, camera_, pose).image;
    undistortedTruth_ = talmeq::sim::projectTarget(chess, camera_.withoutDistortion(), pose);
  }

  // Where the corners of the undistorted view land after scaling by `scale`.
  static std::vector<cv::Point2f> scaledTruth(double scale) {
    const cv::Point2d c(camera_.cx, camera_.cy);
    std::vector<cv::Point2f> points;
    for (const cv::Point2f& p : undistortedTruth_) points.emplace_back(c + scale * (cv::Point2d(p) - c));
    return points;
  }

  // Corrects the view and measures the worst corner error against the truth.
  static double cornerError(double thickness, cv::Mat& corrected) {
    LogCapture quiet;
    EXPECT_EQ(getCorrectImgByThickness(view_, camera_.matrix(), camera_.distortion(), thickness, corrected), 0);
    const std::vector<cv::Point2f> found = talmeq::test::subpixelChessCorners(corrected);
    EXPECT_EQ(found.size(), undistortedTruth_.size());
    return found.empty() ? 1e9 : talmeq::test::worstNearestDistance(found, scaledTruth((190.0 - thickness) / 190.0));
  }

  static inline const talmeq::sim::Camera camera_ = talmeq::test::distortedCamera();
  static inline cv::Mat view_;
  static inline std::vector<cv::Point2f> undistortedTruth_;
};

TEST_F(ThicknessCorrection, ZeroThicknessGivesTheUndistortedImageAndLogsThreeMessages) {
  LogCapture capture;
  cv::Mat corrected;
  ASSERT_EQ(getCorrectImgByThickness(view_, camera_.matrix(), camera_.distortion(), 0.0, corrected), 0);
  const Lines expected = {"getCorrectImg: start!", "thickness: 0", "getCorrectImg: end!"};
  EXPECT_EQ(capture.printed(), expected);
  EXPECT_EQ(capture.filed(), expected);
  EXPECT_EQ(corrected.size(), view_.size());
  EXPECT_EQ(corrected.type(), view_.type());

  const double error = cornerError(0.0, corrected);
  const double distorted = talmeq::test::worstNearestDistance(talmeq::test::subpixelChessCorners(view_), scaledTruth(1.0));
  std::printf("thickness 0: worst corner error %.3f px (the distorted input is %.2f px off)\n", error, distorted);
  EXPECT_LT(error, kMaxCornerError);
}

TEST_F(ThicknessCorrection, Thickness19ShrinksDistancesFromThePrincipalPointToNineTenths) {
  LogCapture capture;
  cv::Mat corrected;
  const double error = cornerError(19.0, corrected);
  std::printf("thickness 19: worst corner error against 0.9 d: %.3f px\n", error);
  EXPECT_LT(error, kMaxCornerError);
  // The shrunken image no longer covers the outer band: black there.
  EXPECT_EQ(cv::countNonZero(corrected.reshape(1).colRange(0, 3 * 5)), 0);
  EXPECT_EQ(cv::countNonZero(corrected.row(corrected.rows - 5).reshape(1)), 0);
}

TEST_F(ThicknessCorrection, NegativeThicknessEnlargesAboutThePrincipalPoint) {
  cv::Mat corrected;
  const double error = cornerError(-19.0, corrected);
  std::printf("thickness -19: worst corner error against 1.1 d: %.3f px\n", error);
  EXPECT_LT(error, kMaxCornerError);
}

// Thicknesses at and beyond the reference distance are not refused: 190
// gives the scale 0, 380 the scale -1, the image turned half a turn about
// the principal point (160, 120) of a camera without distortion.
TEST(ThicknessCorrectionRange, ReferenceDistanceAndBeyondAreNotRefused) {
  const cv::Mat camera = (cv::Mat_<double>(3, 3) << 400, 0, 160, 0, 400, 120, 0, 0, 1);
  const cv::Mat noDistortion = cv::Mat::zeros(1, 5, CV_64F);
  cv::Mat image(240, 320, CV_8UC3), degenerate, mirrored;
  cv::RNG(5).fill(image, cv::RNG::UNIFORM, 0, 256);
  LogCapture capture;
  EXPECT_EQ(getCorrectImgByThickness(image, camera, noDistortion, 190.0, degenerate), 0);
  EXPECT_EQ(degenerate.size(), image.size());
  ASSERT_EQ(getCorrectImgByThickness(image, camera, noDistortion, 380.0, mirrored), 0);
  EXPECT_EQ(mirrored.at<cv::Vec3b>(120 - 37, 160 - 81), image.at<cv::Vec3b>(120 + 37, 160 + 81));
  EXPECT_EQ(mirrored.at<cv::Vec3b>(120 + 100, 160 + 150), image.at<cv::Vec3b>(120 - 100, 160 - 150));
  EXPECT_TRUE(capture.failures().empty());
}

TEST_F(ThicknessCorrection, SinglePrecisionCameraMatrixIsReadAsItsValues) {
  LogCapture quiet;
  cv::Mat camera32;
  camera_.matrix().convertTo(camera32, CV_32F);
  cv::Mat fromDouble, fromFloat;
  ASSERT_EQ(getCorrectImgByThickness(view_, camera_.matrix(), camera_.distortion(), 19.0, fromDouble), 0);
  ASSERT_EQ(getCorrectImgByThickness(view_, camera32, camera_.distortion(), 19.0, fromFloat), 0);
  EXPECT_LE(cv::norm(fromDouble, fromFloat, cv::NORM_INF), 1.0);
}

}  // namespace
