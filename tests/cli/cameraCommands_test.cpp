// The camera road through the tool on simulated views: `calib-aruco` writes a
// camera file that holds what the run reported and draws each view's
// corners; `calib-chess` warns, also in its camera file, that one view is
// not enough; `undistort` keeps the asked size; `correct-thickness` shrinks
// the image about the principal point.
#include <gtest/gtest.h>
#include <opencv2/aruco.hpp>
#include <opencv2/imgcodecs.hpp>

#include "datasetWriter.h"
#include "imageMarks.h"
#include "toolRun.h"

namespace {

using talmeq::test::runToolJson;
using talmeq::test::ScratchFolder;

constexpr double kMinCornersMarked = 0.95;  // fraction of the true marker corners with a drawn circle

TEST(CameraRoad, CalibrateUndistortAndCorrect) {
  ScratchFolder dir;
  talmeq::sim::writeArucoDataset(dir.path().string());
  talmeq::sim::writeChessDataset(dir.path().string());
  std::vector<std::string> args{"calib-aruco", "--out", "camera.yml", "--annotate", "seen.png"};
  for (int i = 0; std::filesystem::exists(dir.file("aruco/view_0" + std::to_string(i) + ".png")); ++i)
    args.push_back("aruco/view_0" + std::to_string(i) + ".png");
  const nlohmann::json doc = runToolJson(dir.path(), args);
  EXPECT_EQ(doc["images"].size(), args.size() - 5);
  EXPECT_TRUE(doc["warnings"].empty()) << doc["warnings"];
  cv::FileStorage file(dir.file("camera.yml"), cv::FileStorage::READ);
  cv::Mat matrix, distortion;
  file["camera_matrix"] >> matrix;
  file["distortion_coefficients"] >> distortion;
  EXPECT_EQ(matrix.at<double>(0, 0), doc["camera"]["fx"].get<double>());
  EXPECT_EQ(distortion.total(), 5u);
  EXPECT_EQ(static_cast<int>(file["image_width"]), doc["camera"]["imageWidth"].get<int>());
  EXPECT_EQ(static_cast<double>(file["avg_reprojection_error"]), doc["camera"]["rms"].get<double>());
  EXPECT_GT(doc["camera"]["rms"].get<double>(), 0.0);
  EXPECT_LT(doc["camera"]["rms"].get<double>(), 1.0);

  // A green circle at the true position of the marker corners of the first view.
  const talmeq::sim::Camera truth = talmeq::sim::datasetCamera();
  const talmeq::sim::Target board = talmeq::sim::arucoBoardTarget(cv::aruco::DICT_6X6_250);
  const cv::Mat seen = cv::imread(dir.file("seen-view_00.png"));
  std::size_t marked = 0;
  const auto corners = talmeq::sim::projectTarget(board, truth, talmeq::sim::datasetArucoPoses(board)[0]);
  for (const cv::Point2f& corner : corners)
    marked += talmeq::test::countPixelsOf(seen, talmeq::test::around(corner, 6), cv::Vec3b(0, 255, 0)) > 0 ? 1 : 0;
  EXPECT_GE(marked, kMinCornersMarked * corners.size());

  const nlohmann::json chess = runToolJson(dir.path(), {"calib-chess", "chess/chess.png", "--out", "chess.yml"});
  ASSERT_EQ(chess["warnings"].size(), 1u);
  EXPECT_NE(chess["warnings"][0].get<std::string>().find("calibrated from one view"), std::string::npos);
  cv::FileStorage chessFile(dir.file("chess.yml"), cv::FileStorage::READ);
  EXPECT_EQ(chessFile["calibration_warnings"][0].string(), chess["warnings"][0].get<std::string>());
  EXPECT_EQ(chess["images"][0]["markers"], 17 * 12);

  const nlohmann::json sized = runToolJson(
      dir.path(), {"undistort", "chess/chess.png", "--camera", "camera.yml", "--size", "640x480", "--out", "small.png"});
  EXPECT_EQ(sized["width"], 640);
  EXPECT_EQ(cv::imread(dir.file("small.png")).size(), cv::Size(640, 480));

  const nlohmann::json thick = runToolJson(dir.path(), {"correct-thickness", "chess/chess.png", "--camera",
                                                        "chess/camera_truth.yml", "--thickness", "19", "--out", "t.png"});
  EXPECT_DOUBLE_EQ(thick["scale"].get<double>(), 0.9);
  const cv::Mat out = cv::imread(dir.file("t.png"));
  ASSERT_EQ(out.size(), cv::Size(1024, 768));
  EXPECT_EQ(out.at<cv::Vec3b>(384, 10), cv::Vec3b(0, 0, 0)) << "s = 0.9 leaves about 5 % black on every side";
  EXPECT_NE(out.at<cv::Vec3b>(384, 80), cv::Vec3b(0, 0, 0));
}

}  // namespace
