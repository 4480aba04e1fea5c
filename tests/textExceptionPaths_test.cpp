// The -999 path of every export that logs its failures: a text exception
// thrown inside the body, by the logger at a chosen stream access or by
// OpenCV's error callback, comes back as -999 with one failure record that
// names the export and its source line, after the messages written before
// it; the outputs and the calibration file stay as they were. (The
// measurement, which never logs, is with the bad inputs.)
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include <functional>
#include <optional>

#include "calibrationFiles.h"
#include "cvErrorsAsText.h"
#include "logCapture.h"
#include "spotScenes.h"

namespace {

using Lines = std::vector<std::string>;
using Markers = std::vector<std::vector<cv::Point2f>>;

constexpr int kByOpenCv = 0;  // the text exception comes from OpenCV's error callback

struct TextExceptionPath {
  std::string name;
  int throwAtCall;  // the logger stream access that throws, or kByOpenCv
  Lines before;     // the messages written before the failure record
  std::function<int()> call;
  std::function<bool()> untouched;  // the outputs (and file) as they were, where that is promised
};

TEST(TextExceptionPaths, EveryLoggingExportReturnsMinus999WithItsRecord) {
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  const std::string settings = "%YAML:1.0\n---\nscale: 1.\ndist: 100.\ninitZ: -10.\nfocusD: 2.5\n";
  cv::Mat scene = talmeq::test::flatScene({100, 100}, 30);
  talmeq::test::paint(scene, {50, 60, 5, 5}, 255);
  const cv::Mat blank(480, 640, CV_8UC3, cv::Scalar::all(200));
  const cv::Mat cameraMatrix = (cv::Mat_<double>(3, 3) << 400, 0, 160, 0, 400, 120, 0, 0, 1);
  const cv::Mat sentinel = (cv::Mat_<int>(1, 3) << 7, 8, 9);
  cv::Point coord(4, 4);
  cv::Mat camera = sentinel.clone(), dist = sentinel.clone(), corrected;
  std::vector<int> ids;
  Markers corners;
  const auto isSentinel = [&](const cv::Mat& m) { return cv::norm(m, sentinel, cv::NORM_INF) == 0.0; };
  const auto fileKept = [&] { return talmeq::test::readText(path) == settings; };
  const TextExceptionPath paths[] = {
      // The start message takes two accesses; the next message throws.
      {"getSpotCoord", 3, {"getSpotCoord: start! 2025_09_29_V1.8.0"}, [&] { return getSpotCoord(scene, coord); },
       [&] { return coord == cv::Point(0, 0); }},
      {"getCalibrationParamByLinear", 3, {"getCalibrationParamByLinear: start! 2025_09_29_V1.8.0"},
       [&] { return getCalibrationParamByLinear({0.0, 1.0, 2.0}, {{100, 50}, {110, 50}, {120, 50}}, path); },
       fileKept},
      {"correctYml", 3, {"correctYml: start! 2025_09_29_V1.8.0"}, [&] { return correctYml(0.0, 1.0, path); },
       fileKept},
      {"calibChess", 3, {"calibChess: start!"}, [&] { return calibChess(blank, camera, dist); },
       [&] { return isSentinel(camera) && isSentinel(dist); }},
      {"getCorrectImgByThickness", 3, {"getCorrectImg: start!"},
       [&] { return getCorrectImgByThickness(blank, cameraMatrix, cv::Mat(), 19.0, corrected); },
       [&] { return corrected.empty(); }},
      // The detector takes 8-bit images only.
      {"getArucoCorners", kByOpenCv, {},
       [&] { return getArucoCorners(cv::Mat(120, 160, CV_32FC3, cv::Scalar::all(0.5)), ids, corners); }, nullptr},
      // OpenCV refuses a view without any marker.
      {"calibAruco", kByOpenCv, {}, [&] { return calibAruco({Markers{}, Markers{}}, {{}, {}}, {1024, 768}, camera, dist); },
       [&] { return isSentinel(camera) && isSentinel(dist); }},
      // No lens model has three coefficients.
      {"undistAruco", kByOpenCv, {},
       [&] { return undistAruco(blank, cameraMatrix, cv::Mat::zeros(1, 3, CV_64F), {320, 240}, corrected); },
       nullptr},
  };
  for (const TextExceptionPath& p : paths) {
    talmeq::test::writeText(path, settings);
    talmeq::test::LogCapture capture;
    capture.throwAtCall(p.throwAtCall);
    {
      std::optional<talmeq::test::CvErrorsAsText> asText;
      if (p.throwAtCall == kByOpenCv) asText.emplace();
      EXPECT_EQ(p.call(), -999) << p.name;
    }
    Lines printed = capture.printed();
    ASSERT_EQ(printed.size(), p.before.size() + 1) << p.name;
    EXPECT_EQ(capture.failures(), Lines{printed.back()}) << p.name;
    EXPECT_EQ(printed.back().rfind(talmeq::test::failurePrefix(p.name, -999) + " at ", 0), 0u) << printed.back();
    EXPECT_NE(printed.back().find("talmeqAlgorithm.cpp:"), std::string::npos) << printed.back();
    printed.pop_back();
    EXPECT_EQ(printed, p.before) << p.name;
    if (p.untouched) { EXPECT_TRUE(p.untouched()) << p.name; }
  }
}

}  // namespace
