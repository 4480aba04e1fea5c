// calibAruco on the detections of eight rendered views of the ArUco board
// through a camera with known intrinsics and distortion: the calibration is
// compared with that camera. Reordered, thinned and padded views must
// calibrate as well; the function writes no messages.
#include <gtest/gtest.h>

#include <opencv2/aruco.hpp>

#include <talmeqAlgorithm.h>

#include <cmath>
#include <cstdio>

#include "calibrationScenes.h"
#include "logCapture.h"

namespace {

using talmeq::test::LogCapture;
using Markers = std::vector<std::vector<cv::Point2f>>;

constexpr double kMaxFocalError = 0.01;        // relative
constexpr double kMaxPrincipalPointError = 5;  // pixels

struct Calibration {
  int result;
  cv::Mat camera, dist;
};

class ArucoCalibration : public ::testing::Test {
protected:
  // Detections of every view, as the host collects them.
  static void SetUpTestSuite() {
    const talmeq::sim::Target board = talmeq::sim::arucoBoardTarget(cv::aruco::DICT_6X6_250);
    talmeq::sim::ViewEffects effects;
    effects.blurSigma = 0.6;
    effects.noise = 2.0;
    effects.lighting = 0.35;
    const auto views = talmeq::sim::renderViews(board, truth_, talmeq::test::arucoPoses(board), effects);
    for (const talmeq::sim::View& view : views) {
      std::vector<int> ids;
      Markers corners;
      ASSERT_EQ(getArucoCorners(view.image, ids, corners), 0);
      allIds_.push_back(ids);
      allCorners_.push_back(corners);
    }
  }

  static Calibration calibrate(const std::vector<Markers>& allCorners, const std::vector<std::vector<int>>& allIds) {
    Calibration c{0, {}, {}};
    c.result = calibAruco(allCorners, allIds, truth_.size, c.camera, c.dist);
    return c;
  }

  // Compares a calibration with the true camera and prints the errors.
  static void expectTrueCamera(const Calibration& c, const char* label) {
    ASSERT_EQ(c.result, 0);
    ASSERT_EQ(c.camera.size(), cv::Size(3, 3));
    ASSERT_EQ(c.camera.type(), CV_64F);
    ASSERT_EQ(c.dist.total(), 5u);
    const double fx = c.camera.at<double>(0, 0) / truth_.fx - 1.0;
    const double fy = c.camera.at<double>(1, 1) / truth_.fy - 1.0;
    const double cx = c.camera.at<double>(0, 2) - truth_.cx;
    const double cy = c.camera.at<double>(1, 2) - truth_.cy;
    std::printf("calibAruco (%s): fx %+.3f %%, fy %+.3f %%, cx %+.2f px, cy %+.2f px, k1 %.4f (true %.4f)\n", label,
                100 * fx, 100 * fy, cx, cy, c.dist.at<double>(0), truth_.k1);
    EXPECT_LT(std::abs(fx), kMaxFocalError);
    EXPECT_LT(std::abs(fy), kMaxFocalError);
    EXPECT_LT(std::abs(cx), kMaxPrincipalPointError);
    EXPECT_LT(std::abs(cy), kMaxPrincipalPointError);
  }

  static inline const talmeq::sim::Camera truth_ = talmeq::test::distortedCamera();
  static inline std::vector<Markers> allCorners_;
  static inline std::vector<std::vector<int>> allIds_;
};

TEST_F(ArucoCalibration, EightViewsRecoverTheTrueCameraSilently) {
  ASSERT_EQ(allCorners_.size(), 8u);
  LogCapture capture;
  expectTrueCamera(calibrate(allCorners_, allIds_), "8 views");
  EXPECT_TRUE(capture.printed().empty());
  EXPECT_TRUE(capture.filed().empty());
}

TEST_F(ArucoCalibration, ReorderedThinnedAndPaddedViewsCalibrateAsWell) {
  // Within each view the markers are reversed and every (view + 2)-th one is
  // dropped, so views hold different counts; identifiers move with their
  // corners. allIds carries a surplus view and surplus identifiers.
  std::vector<Markers> allCorners;
  std::vector<std::vector<int>> allIds;
  for (std::size_t v = 0; v < allCorners_.size(); ++v) {
    Markers corners;
    std::vector<int> ids;
    for (std::size_t j = allCorners_[v].size(); j-- > 0;) {
      if (j % (v + 2) == 0) continue;
      corners.push_back(allCorners_[v][j]);
      ids.push_back(allIds_[v][j]);
    }
    ids.push_back(53);  // surplus identifier, no corners
    allCorners.push_back(corners);
    allIds.push_back(ids);
  }
  allIds.push_back({1, 2, 3});  // surplus view
  expectTrueCamera(calibrate(allCorners, allIds), "reordered and thinned");
}

TEST_F(ArucoCalibration, BadlyPairedViewsStillReturn0WithAWrongCamera) {
  // The same detections with identifiers shifted by one marker within each
  // view: the board no longer fits, yet a completed calibration is a success.
  std::vector<std::vector<int>> shifted = allIds_;
  for (std::vector<int>& ids : shifted) std::rotate(ids.begin(), ids.begin() + 1, ids.end());
  const Calibration c = calibrate(allCorners_, shifted);
  ASSERT_EQ(c.result, 0);  // any completed calibration succeeds
  const double fx = c.camera.at<double>(0, 0) / truth_.fx - 1.0;
  const double cx = c.camera.at<double>(0, 2) - truth_.cx;
  EXPECT_TRUE(std::abs(fx) > kMaxFocalError || std::abs(cx) > kMaxPrincipalPointError);
}

}  // namespace
