// The camera exports on views of the calibration targets rendered once
// through a camera with known intrinsics and lens distortion: the
// chessboard calibration, also of a board it cannot see whole; the board
// calibration from the markers found in eight views, also reordered,
// thinned and padded; undistortion onto the distortion-free
// rendering and into a size of the caller's choice; the thickness
// correction's scaling about the principal point. (Their messages are with
// those of the other exports.)
#include <gtest/gtest.h>
#include <talmeqAlgorithm.h>

#include "calibrationScenes.h"
#include "logCapture.h"

namespace {

using Markers = std::vector<std::vector<cv::Point2f>>;
namespace sim = talmeq::sim;
using talmeq::test::subpixelChessCorners;
using talmeq::test::worstNearestDistance;

class Camera : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const sim::Target chess = sim::chessboardTarget();
    chessView_ = sim::renderView(chess, truth_, sim::datasetChessPose(chess)).image;
    idealChess_ = sim::renderView(chess, truth_.withoutDistortion(), sim::datasetChessPose(chess));
    const sim::Target board = sim::arucoBoardTarget(talmeq::detail::aruco_api::kDict6x6_250);
    for (const sim::View& view : sim::renderViews(board, truth_, sim::datasetArucoPoses(board), {0.6, 2.0, 0.35})) {
      allIds_.emplace_back();
      allCorners_.emplace_back();
      ASSERT_EQ(getArucoCorners(view.image, allIds_.back(), allCorners_.back()), 0);
    }
  }

  // A calibration compared with the true camera.
  static void expectTrueCamera(const cv::Mat& camera, const cv::Mat& dist, double focalError, double centreError) {
    ASSERT_EQ(camera.size(), cv::Size(3, 3));
    ASSERT_EQ(camera.type(), CV_64F);
    EXPECT_EQ(dist.total(), 5u);
    EXPECT_EQ(dist.type(), CV_64F);
    EXPECT_LT(std::abs(camera.at<double>(0, 0) / truth_.fx - 1.0), focalError);
    EXPECT_LT(std::abs(camera.at<double>(1, 1) / truth_.fy - 1.0), focalError);
    EXPECT_LT(std::abs(camera.at<double>(0, 2) - truth_.cx), centreError);
    EXPECT_LT(std::abs(camera.at<double>(1, 2) - truth_.cy), centreError);
  }

  static inline const sim::Camera truth_ = sim::datasetCamera();
  static inline cv::Mat chessView_;
  static inline sim::View idealChess_;
  static inline std::vector<Markers> allCorners_;
  static inline std::vector<std::vector<int>> allIds_;
};

TEST_F(Camera, ChessboardViewGivesTheFocalLengthsOrLeavesTheOutputsWhenABoardCornerIsHidden) {
  talmeq::test::LogCapture capture;
  cv::Mat camera, dist;
  ASSERT_EQ(calibChess(chessView_, camera, dist), 0);
  const std::string rms = capture.printed().back();
  EXPECT_LT(std::stod(rms.substr(rms.find('=') + 1)), 0.5);
  expectTrueCamera(camera, dist, 0.03, 1e9);  // one view pins the principal point poorly
  cv::Mat hidden = chessView_.clone();
  hidden(cv::Rect(0, 0, hidden.cols / 2, hidden.rows / 3)).setTo(cv::Scalar::all(120));
  const cv::Mat cameraIn = (cv::Mat_<float>(2, 2) << 1, 2, 3, 4), distIn = (cv::Mat_<int>(1, 3) << 7, 8, 9);
  camera = cameraIn, dist = distIn;
  EXPECT_EQ(calibChess(hidden, camera, dist), -1);
  EXPECT_TRUE(camera.data == cameraIn.data && dist.data == distIn.data);
  EXPECT_EQ(camera.at<float>(1, 1), 4.0f);
}

TEST_F(Camera, BoardViewsGiveTheTrueCameraAlsoReorderedThinnedAndPadded) {
  cv::Mat camera, dist;
  ASSERT_EQ(calibAruco(allCorners_, allIds_, truth_.size, camera, dist), 0);
  expectTrueCamera(camera, dist, 0.01, 5.0);
  // Within each view the markers are reversed and every (view + 2)-th one is
  // dropped; identifiers move with their corners. allIds carries a surplus
  // identifier per view and a surplus view.
  std::vector<Markers> allCorners(allCorners_.size());
  std::vector<std::vector<int>> allIds(allIds_.size());
  for (std::size_t v = 0; v < allCorners_.size(); ++v) {
    for (std::size_t j = allCorners_[v].size(); j-- > 0;)
      if (j % (v + 2) != 0) allCorners[v].push_back(allCorners_[v][j]), allIds[v].push_back(allIds_[v][j]);
    allIds[v].push_back(53);
  }
  allIds.push_back({1, 2, 3});
  ASSERT_EQ(calibAruco(allCorners, allIds, truth_.size, camera, dist), 0);
  expectTrueCamera(camera, dist, 0.01, 5.0);
}

TEST_F(Camera, UndistortionStraightensTheViewIntoTheAskedSize) {
  cv::Mat corrected;
  ASSERT_EQ(undistAruco(chessView_, truth_.matrix(), truth_.distortion(), chessView_.size(), corrected), 0);
  const std::vector<cv::Point2f> straightened = subpixelChessCorners(corrected);
  ASSERT_EQ(straightened.size(), idealChess_.points.size());
  EXPECT_LT(worstNearestDistance(straightened, subpixelChessCorners(idealChess_.image)), 0.5);
  EXPECT_LT(worstNearestDistance(straightened, idealChess_.points), 0.5);
  EXPECT_LT(cv::norm(corrected, idealChess_.image, cv::NORM_L1) / corrected.total(),
            3.0);  // per pixel, all channels
  // Without distortion the image is copied where it overlaps the asked
  // size, and the output is black beyond it.
  cv::Mat image(240, 320, CV_8UC3);
  cv::RNG(17).fill(image, cv::RNG::UNIFORM, 0, 256);
  const cv::Mat camera = (cv::Mat_<double>(3, 3) << 400, 0, 161.5, 0, 410, 118.25, 0, 0, 1);
  for (const cv::Size size : {cv::Size(200, 100), cv::Size(400, 300)}) {
    ASSERT_EQ(undistAruco(image, camera, cv::Mat::zeros(1, 5, CV_64F), size, corrected), 0);
    ASSERT_EQ(corrected.size(), size);
    const cv::Rect overlap = cv::Rect(0, 0, 320, 240) & cv::Rect({}, size);
    EXPECT_EQ(cv::norm(corrected(overlap), image(overlap), cv::NORM_INF), 0.0) << size;
    EXPECT_EQ(cv::norm(corrected, cv::NORM_L1), cv::norm(image(overlap), cv::NORM_L1)) << size;
  }
}

// The corrected image is the undistorted one scaled about the principal
// point by (190 - thickness) / 190; a single-precision camera matrix is
// read as its values.
TEST_F(Camera, ThicknessScalesTheUndistortedViewAboutThePrincipalPoint) {
  talmeq::test::LogCapture quiet;
  cv::Mat corrected, fromFloat, camera32;
  ASSERT_EQ(getCorrectImgByThickness(chessView_, truth_.matrix(), truth_.distortion(), 19.0, corrected), 0);
  const cv::Point2d centre(truth_.cx, truth_.cy);
  std::vector<cv::Point2f> scaled;
  for (const cv::Point2f& p : idealChess_.points) scaled.emplace_back(centre + 0.9 * (cv::Point2d(p) - centre));
  const std::vector<cv::Point2f> found = subpixelChessCorners(corrected);
  ASSERT_EQ(found.size(), scaled.size());
  EXPECT_LT(worstNearestDistance(found, scaled), 0.3);
  EXPECT_EQ(cv::countNonZero(corrected.reshape(1).colRange(0, 3 * 5)), 0);  // black where nothing maps
  truth_.matrix().convertTo(camera32, CV_32F);
  ASSERT_EQ(getCorrectImgByThickness(chessView_, camera32, truth_.distortion(), 19.0, fromFloat), 0);
  EXPECT_LE(cv::norm(corrected, fromFloat, cv::NORM_INF), 1.0);
  // Twice the reference distance turns the image half a turn about the
  // principal point (160, 120) of a camera without distortion.
  cv::Mat image(240, 320, CV_8UC3), turned;
  cv::RNG(5).fill(image, cv::RNG::UNIFORM, 0, 256);
  const cv::Mat plain = (cv::Mat_<double>(3, 3) << 400, 0, 160, 0, 400, 120, 0, 0, 1);
  ASSERT_EQ(getCorrectImgByThickness(image, plain, cv::Mat::zeros(1, 5, CV_64F), 380.0, turned), 0);
  EXPECT_EQ(turned.at<cv::Vec3b>(120 - 37, 160 - 81), image.at<cv::Vec3b>(120 + 37, 160 + 81));
  EXPECT_EQ(turned.at<cv::Vec3b>(120 + 100, 160 + 150), image.at<cv::Vec3b>(120 - 100, 160 - 150));
}

}  // namespace
