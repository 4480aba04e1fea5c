// calibChess on synthetic chessboard views with a known camera: the full
// message sequence and the RMS of a clean view, the outputs' shapes, boards
// that do not show the full pattern.
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "calibrationScenes.h"
#include "logCapture.h"

namespace {

using talmeq::test::failurePrefix;
using talmeq::test::LogCapture;
using Lines = std::vector<std::string>;

// find4QuadCornerSubpix places corners on a half-pixel lattice; a board
// whose corners all share one lattice phase (seen square-on, pixel-aligned)
// calibrates below a tenth of a pixel, a tilted one to the lattice's own
// scatter.
constexpr double kMaxAlignedRms = 0.1;  // pixels
constexpr double kMaxTiltedRms = 0.5;   // pixels
constexpr double kMaxOneViewFocalError = 0.03;  // relative; one view pins the focal lengths only roughly
const std::string kStart = "calibChess: start!";
const std::string kRmsLabel = "calibChess: rms = ";

talmeq::sim::View chessView(cv::Size squares, const talmeq::sim::Camera& camera) {
  const talmeq::sim::Target chess = talmeq::sim::chessboardTarget(squares);
  return talmeq::sim::renderView(chess, camera, talmeq::test::chessPose(chess));
}

// A distortion-free camera that sees the board square-on with 40-pixel
// squares and every inner corner at a half-integer pixel position.
talmeq::sim::View alignedChessView() {
  talmeq::sim::Camera camera;
  camera.fx = camera.fy = 1200.0;
  camera.cx = 511.5;
  camera.cy = 383.5;
  const talmeq::sim::Target chess = talmeq::sim::chessboardTarget();
  return talmeq::sim::renderView(chess, camera, talmeq::sim::boardPose(chess, 450.0, 0.0, 0.0));
}

double loggedRms(const std::vector<std::string>& printed) {
  if (printed.empty() || printed.back().rfind(kRmsLabel, 0) != 0) return -1.0;
  return std::stod(printed.back().substr(kRmsLabel.size()));
}

// Outputs that a failing call must leave exactly as they were.
struct Sentinels {
  cv::Mat camera = (cv::Mat_<float>(2, 2) << 1, 2, 3, 4);
  cv::Mat dist = (cv::Mat_<int>(1, 3) << 7, 8, 9);
  cv::Mat cameraCopy = camera.clone(), distCopy = dist.clone();
  void expectUntouched(const cv::Mat& c, const cv::Mat& d) const {
    ASSERT_EQ(c.data, camera.data);
    ASSERT_EQ(d.data, dist.data);
    EXPECT_EQ(cv::norm(c, cameraCopy, cv::NORM_INF), 0.0);
    EXPECT_EQ(cv::norm(d, distCopy, cv::NORM_INF), 0.0);
  }
};

TEST(ChessCalibration, AlignedCleanViewCalibratesWithRmsBelowOneTenthPixel) {
  const cv::Mat view = alignedChessView().image;
  LogCapture capture;
  Sentinels passed;  // wrong shapes and types going in
  cv::Mat camera = passed.camera, dist = passed.dist;
  ASSERT_EQ(calibChess(view, camera, dist), 0);

  const Lines printed = capture.printed();
  ASSERT_EQ(printed.size(), 3u);
  EXPECT_EQ(printed[0], kStart);
  EXPECT_EQ(printed[1], "calibChess: findChessboardCorners success!");
  EXPECT_EQ(capture.filed(), printed);
  EXPECT_TRUE(capture.failures().empty());
  const double rms = loggedRms(printed);
  EXPECT_GE(rms, 0.0);
  EXPECT_LT(rms, kMaxAlignedRms);
  std::printf("calibChess on the aligned clean view: rms %.4f px\n", rms);

  ASSERT_EQ(camera.size(), cv::Size(3, 3));
  EXPECT_EQ(camera.type(), CV_64F);
  ASSERT_EQ(dist.size(), cv::Size(5, 1));
  EXPECT_EQ(dist.type(), CV_64F);
  EXPECT_EQ(camera.at<double>(2, 2), 1.0);
}

TEST(ChessCalibration, TiltedDistortedViewRecoversTheFocalLengthsRoughly) {
  const talmeq::sim::Camera truth = talmeq::test::distortedCamera();
  const cv::Mat view = chessView({18, 13}, truth).image;
  LogCapture capture;
  cv::Mat camera, dist;  // empty outputs are filled
  ASSERT_EQ(calibChess(view, camera, dist), 0);
  const double rms = loggedRms(capture.printed());
  EXPECT_GE(rms, 0.0);
  EXPECT_LT(rms, kMaxTiltedRms);
  ASSERT_EQ(camera.size(), cv::Size(3, 3));
  ASSERT_EQ(dist.size(), cv::Size(5, 1));
  const double fxError = camera.at<double>(0, 0) / truth.fx - 1.0;
  const double fyError = camera.at<double>(1, 1) / truth.fy - 1.0;
  EXPECT_LT(std::abs(fxError), kMaxOneViewFocalError);
  EXPECT_LT(std::abs(fyError), kMaxOneViewFocalError);
  std::printf("calibChess on one tilted distorted view: rms %.4f px; fx error %+.2f %%, fy error %+.2f %%, "
              "cx %.1f (true %.1f), cy %.1f (true %.1f), k1 %.4f (true %.4f)\n",
              rms, 100 * fxError, 100 * fyError, camera.at<double>(0, 2), truth.cx, camera.at<double>(1, 2),
              truth.cy, dist.at<double>(0), truth.k1);
}

TEST(ChessCalibration, BoardWithoutTheFullPatternFailsAndLeavesOutputsUntouched) {
  const talmeq::sim::Camera camera = talmeq::test::distortedCamera();
  cv::Mat narrow = chessView({17, 13}, camera).image;  // 16 x 12 inner corners
  cv::Mat hidden = chessView({18, 13}, camera).image;
  hidden(cv::Rect(0, 0, hidden.cols / 2, hidden.rows / 3)).setTo(cv::Scalar::all(120));  // covers a board corner
  for (const cv::Mat& view : {narrow, hidden}) {
    LogCapture capture;
    Sentinels passed;
    cv::Mat camera = passed.camera, dist = passed.dist;
    EXPECT_EQ(calibChess(view, camera, dist), -1);
    const Lines printed = capture.printed();
    ASSERT_EQ(printed.size(), 3u);
    EXPECT_EQ(printed[0], kStart);
    EXPECT_EQ(printed[1], "calibChess: findChessboardCorners fail!");
    EXPECT_EQ(printed[2].rfind(failurePrefix("calibChess", -1) + " at ", 0), 0u);
    EXPECT_EQ(capture.failures().size(), 1u);
    passed.expectUntouched(camera, dist);
  }
}

}  // namespace
