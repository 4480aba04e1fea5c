// Camera calibration and image correction through the tool on simulated
// views: `calib-aruco` and `calib-chess` against the true camera, the camera
// file other tools read, the corner pictures, `undistort` against a
// distortion-free rendering and `correct-thickness`'s scaling.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <opencv2/aruco.hpp>
#include <opencv2/imgcodecs.hpp>

#include "calibrationScenes.h"
#include "imageMarks.h"
#include "toolRun.h"

namespace {

using talmeq::test::runTool;
using talmeq::test::runToolJson;
using talmeq::test::ScratchFolder;
namespace fs = std::filesystem;

constexpr double kMaxFocalError = 0.01;          // relative, ArUco views
constexpr double kMaxPrincipalPointError = 5.0;  // pixels, ArUco views
constexpr double kMaxChessFocalError = 0.02;     // relative: one chessboard view constrains less
constexpr double kMaxStraightenedError = 0.5;    // pixels, undistorted against distortion-free corners
constexpr double kMinCornersMarked = 0.95;       // fraction of the true marker corners with a drawn circle

std::vector<std::string> arucoViews(const ScratchFolder& dir) {
  talmeq::sim::writeArucoDataset(dir.path().string());
  std::vector<std::string> views;
  for (int i = 0; fs::is_regular_file(dir.path() / "aruco" / ("view_0" + std::to_string(i) + ".png")); ++i)
    views.push_back((dir.path() / "aruco" / ("view_0" + std::to_string(i) + ".png")).string());
  return views;
}

void expectTrueFocalLengths(const nlohmann::json& camera, double tolerance) {
  const talmeq::sim::Camera truth = talmeq::sim::datasetCamera();
  EXPECT_NEAR(camera["fx"].get<double>() / truth.fx, 1.0, tolerance);
  EXPECT_NEAR(camera["fy"].get<double>() / truth.fy, 1.0, tolerance);
}

TEST(CalibArucoCommand, RecoversTheTrueCameraAndWritesTheCameraFile) {
  ScratchFolder dir;
  std::vector<std::string> args{"calib-aruco", "--out", dir.file("camera.yml"), "--annotate",
                                dir.file("seen.png")};
  const std::vector<std::string> views = arucoViews(dir);
  args.insert(args.end(), views.begin(), views.end());
  const nlohmann::json doc = runToolJson(dir.path(), args);
  const talmeq::sim::Camera truth = talmeq::sim::datasetCamera();
  expectTrueFocalLengths(doc["camera"], kMaxFocalError);
  EXPECT_NEAR(doc["camera"]["cx"].get<double>(), truth.cx, kMaxPrincipalPointError);
  EXPECT_NEAR(doc["camera"]["cy"].get<double>(), truth.cy, kMaxPrincipalPointError);
  EXPECT_EQ(doc["markers"].size(), views.size());

  // The file in the layout of OpenCV's calibration sample.
  cv::FileStorage file(dir.file("camera.yml"), cv::FileStorage::READ);
  cv::Mat matrix, distortion;
  file["camera_matrix"] >> matrix;
  file["distortion_coefficients"] >> distortion;
  EXPECT_EQ(matrix.at<double>(0, 0), doc["camera"]["fx"].get<double>());
  EXPECT_EQ(distortion.total(), 5u);
  EXPECT_EQ(static_cast<int>(file["image_width"]), truth.size.width);
  EXPECT_EQ(static_cast<int>(file["image_height"]), truth.size.height);
  EXPECT_EQ(static_cast<double>(file["avg_reprojection_error"]), doc["camera"]["rms"].get<double>());
  EXPECT_GT(doc["camera"]["rms"].get<double>(), 0.0);
  EXPECT_LT(doc["camera"]["rms"].get<double>(), 1.0);

  // One picture per view; a green circle at the true position of the marker corners.
  const cv::Mat seen = cv::imread(dir.file("seen-view_00.png"));
  ASSERT_EQ(seen.size(), truth.size);
  const talmeq::sim::Target board = talmeq::sim::arucoBoardTarget(cv::aruco::DICT_6X6_250);
  const std::vector<cv::Point2f> corners =
      talmeq::sim::projectTarget(board, truth, talmeq::sim::datasetArucoPoses(board)[0]);
  std::size_t marked = 0;
  for (const cv::Point2f& corner : corners)
    marked += talmeq::test::anyPixelOf(seen, talmeq::test::around(corner, 6), cv::Vec3b(0, 255, 0)) ? 1 : 0;
  EXPECT_GE(marked, kMinCornersMarked * corners.size());
  EXPECT_GT(talmeq::test::countPixelsOf(seen, cv::Rect({0, 0}, seen.size()), cv::Vec3b(0, 0, 255)), 0)
      << "no error line drawn";
}

TEST(CalibChessCommand, OneViewGivesTheCameraOrNamesTheMissingBoard) {
  ScratchFolder dir;
  talmeq::sim::writeChessDataset(dir.path().string());
  const std::string chess = (dir.path() / "chess/chess.png").string();
  const nlohmann::json doc = runToolJson(
      dir.path(), {"calib-chess", chess, "--out", dir.file("camera.yml"), "--annotate", dir.file("c.png")});
  expectTrueFocalLengths(doc["camera"], kMaxChessFocalError);
  EXPECT_TRUE(doc["camera"].contains("rms"));
  EXPECT_EQ(cv::imread(dir.file("c.png")).size(), cv::Size(1024, 768));

  cv::imwrite(dir.file("blank.png"), cv::Mat(768, 1024, CV_8UC3, cv::Scalar::all(128)));
  const auto blank =
      runTool(dir.path(), {"calib-chess", dir.file("blank.png"), "--out", dir.file("none.yml")});
  EXPECT_EQ(blank.status, 1);
  EXPECT_EQ(blank.err, "talmeq: " + dir.file("blank.png") +
                           ": calibChess returned -1: chessboard of 17 x 12 inner corners not found\n");
  EXPECT_FALSE(fs::exists(dir.file("none.yml")));
  const auto noMarkers =
      runTool(dir.path(), {"calib-aruco", dir.file("blank.png"), "--out", dir.file("none.yml")});
  EXPECT_EQ(noMarkers.status, 1);
  EXPECT_NE(noMarkers.err.find("found no marker in any image"), std::string::npos) << noMarkers.err;
}

TEST(UndistortCommand, StraightensTheViewAndKeepsTheAskedSize) {
  ScratchFolder dir;
  talmeq::sim::writeChessDataset(dir.path().string());
  const std::string chess = (dir.path() / "chess/chess.png").string();
  const std::string truth = (dir.path() / "chess/camera_truth.yml").string();
  runToolJson(dir.path(), {"undistort", chess, "--camera", truth, "--out", dir.file("straight.png")});

  // Against the same board rendered without distortion.
  const talmeq::sim::Camera camera = talmeq::sim::datasetCamera();
  const talmeq::sim::Target board = talmeq::sim::chessboardTarget();
  const cv::Mat ideal =
      talmeq::sim::renderView(board, camera.withoutDistortion(), talmeq::sim::datasetChessPose(board)).image;
  const std::vector<cv::Point2f> expected = talmeq::test::subpixelChessCorners(ideal);
  const std::vector<cv::Point2f> found = talmeq::test::subpixelChessCorners(cv::imread(dir.file("straight.png")));
  ASSERT_EQ(found.size(), expected.size());
  ASSERT_FALSE(found.empty());
  double worst = 0.0;
  for (std::size_t i = 0; i < found.size(); ++i) worst = std::max(worst, cv::norm(found[i] - expected[i]));
  EXPECT_LT(worst, kMaxStraightenedError);

  const nlohmann::json sized = runToolJson(dir.path(), {"undistort", chess, "--camera", truth, "--size",
                                                        "640x480", "--out", dir.file("small.png")});
  EXPECT_EQ(sized["width"], 640);
  EXPECT_EQ(cv::imread(dir.file("small.png")).size(), cv::Size(640, 480));
}

TEST(CorrectThicknessCommand, ShrinksAboutThePrincipalPointWithABlackBorder) {
  ScratchFolder dir;
  talmeq::sim::writeChessDataset(dir.path().string());
  const std::string chess = (dir.path() / "chess/chess.png").string();
  const std::string truth = (dir.path() / "chess/camera_truth.yml").string();
  const nlohmann::json doc = runToolJson(dir.path(), {"correct-thickness", chess, "--camera", truth,
                                                      "--thickness", "19", "--out", dir.file("t.png")});
  EXPECT_DOUBLE_EQ(doc["scale"].get<double>(), 0.9);
  const cv::Mat out = cv::imread(dir.file("t.png"));
  ASSERT_EQ(out.size(), cv::Size(1024, 768));
  // s = 0.9 leaves a band of about 5 % black on every side.
  EXPECT_EQ(out.at<cv::Vec3b>(384, 10), cv::Vec3b(0, 0, 0));
  EXPECT_EQ(out.at<cv::Vec3b>(10, 512), cv::Vec3b(0, 0, 0));
  EXPECT_NE(out.at<cv::Vec3b>(384, 80), cv::Vec3b(0, 0, 0));
}

}  // namespace
