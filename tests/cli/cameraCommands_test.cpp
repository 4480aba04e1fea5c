// The camera road through the tool on simulated views: `calib-aruco` on many
// views writes a camera file that holds what the run reported, with its
// quality report and verdict, and draws each view's corners and the
// coverage map; `calib-chess` warns, also in its camera file, that one view is
// not enough; `undistort` keeps the asked size; `correct-thickness` shrinks
// the image about the principal point.

#include <algorithm>
#include <opencv2/imgcodecs.hpp>

#include "arucoApi.h"
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
  for (const auto& entry : std::filesystem::directory_iterator(dir.file("aruco")))
    if (entry.path().extension() == ".png") args.push_back("aruco/" + entry.path().filename().string());
  std::sort(args.begin() + 5, args.end());
  const nlohmann::json doc = runToolJson(dir.path(), args);
  const std::size_t views = args.size() - 5;
  EXPECT_EQ(doc["images"].size(), views);
  EXPECT_TRUE(doc["warnings"].empty()) << doc["warnings"];
  EXPECT_EQ(doc["verdict"], "pass") << doc["checks"];
  EXPECT_EQ(doc["views"].size(), views);
  EXPECT_EQ(doc["annotations"].size(), views + 1);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("seen-coverage.png")));
  cv::FileStorage file(dir.file("camera.yml"), cv::FileStorage::READ);
  cv::Mat matrix, distortion;
  file["camera_matrix"] >> matrix;
  file["distortion_coefficients"] >> distortion;
  EXPECT_EQ(matrix.at<double>(0, 0), doc["camera"]["fx"].get<double>());
  EXPECT_EQ(distortion.total(), 5u);
  EXPECT_EQ(static_cast<int>(file["image_width"]), doc["camera"]["imageWidth"].get<int>());
  EXPECT_EQ(static_cast<double>(file["avg_reprojection_error"]), doc["camera"]["rms"].get<double>());
  EXPECT_EQ(static_cast<int>(file["nr_of_frames"]), static_cast<int>(views));
  cv::Mat perView, sigmas;
  file["per_view_reprojection_errors"] >> perView;
  file["intrinsic_standard_deviations"] >> sigmas;
  EXPECT_EQ(perView.at<double>(0), doc["views"][0]["rms"].get<double>());
  EXPECT_EQ(sigmas.at<double>(0), doc["uncertainty"]["fx"].get<double>());
  EXPECT_EQ(file["verdict"].string(), "pass");
  EXPECT_GT(doc["camera"]["rms"].get<double>(), 0.0);
  EXPECT_LT(doc["camera"]["rms"].get<double>(), 1.0);

  // A green circle at the true position of the marker corners of the first view.
  const talmeq::sim::Camera truth = talmeq::sim::datasetCamera();
  const talmeq::sim::Target board = talmeq::sim::arucoBoardTarget(talmeq::detail::aruco_api::kDict6x6_250);
  const cv::Mat seen = cv::imread(dir.file("seen-view_00.png"));
  ASSERT_EQ(doc["views"][0]["image"], "aruco/view_00.png") << "the views keep the order they were given in";
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
  // A correction with that camera is told what its file records.
  const nlohmann::json used =
      runToolJson(dir.path(), {"undistort", "chess/chess.png", "--camera", "chess.yml", "--out", "u.png"});
  ASSERT_EQ(used["warnings"].size(), 1u);
  EXPECT_EQ(used["warnings"][0], "chess.yml records 1 warning(s) from its calibration, the first: " +
                                     chess["warnings"][0].get<std::string>());
  EXPECT_EQ(chess["images"][0]["points"], 17 * 12);
  EXPECT_EQ(chess["rms"], chess["camera"]["rms"]);

  const nlohmann::json sized = runToolJson(dir.path(), {"undistort", "chess/chess.png", "--camera", "camera.yml",
                                                        "--size", "640x480", "--out", "small.png"});
  EXPECT_EQ(sized["width"], 640);
  EXPECT_EQ(cv::imread(dir.file("small.png")).size(), cv::Size(640, 480));

  const nlohmann::json thick =
      runToolJson(dir.path(), {"correct-thickness", "chess/chess.png", "--camera", "chess/camera_truth.yml",
                               "--thickness", "19", "--out", "t.png"});
  EXPECT_DOUBLE_EQ(thick["scale"].get<double>(), 0.9);
  const cv::Mat out = cv::imread(dir.file("t.png"));
  ASSERT_EQ(out.size(), cv::Size(1024, 768));
  EXPECT_EQ(out.at<cv::Vec3b>(384, 10), cv::Vec3b(0, 0, 0)) << "s = 0.9 leaves about 5 % black on every side";
  EXPECT_NE(out.at<cv::Vec3b>(384, 80), cv::Vec3b(0, 0, 0));
}

}  // namespace
