// Every message the nine exports write, in one place: the exact lines of
// each success and failure path on both logger streams, the failure records
// (at ERROR, naming the export and its code), the exports that write none,
// and the -999 path of each export, reached by a text exception thrown by
// the logger at a chosen stream access or by OpenCV's error callback, which
// leaves the outputs and the calibration file as they were.
#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include <opencv2/imgproc.hpp>
#include <optional>

#include "calibrationFiles.h"
#include "cvErrorsAsText.h"
#include "logCapture.h"

namespace {

using Lines = std::vector<std::string>;
using Markers = std::vector<std::vector<cv::Point2f>>;

constexpr int kByOpenCv = -1;  // the text exception comes from OpenCV's error callback
const std::string kSpotStart = "getSpotCoord: start! 2025_09_29_V1.8.0";
const std::string kFitStart = "getCalibrationParamByLinear: start! 2025_09_29_V1.8.0";
const std::string kCorrectStart = "correctYml: start! 2025_09_29_V1.8.0";

// A line starting with '~' stands for any line that starts with the rest.
bool matches(const Lines& got, const Lines& expected) {
  if (got.size() != expected.size()) return false;
  for (std::size_t i = 0; i < got.size(); ++i) {
    const std::string& e = expected[i];
    if (e[0] == '~' ? got[i].rfind(e.substr(1), 0) != 0 : got[i] != e) return false;
  }
  return true;
}

std::string record(const std::string& function, int code) {
  return "~" + talmeq::test::failurePrefix(function, code) + " at ";
}

struct Path {
  const char* name;
  std::function<int()> call;
  int result;
  Lines printed;
  int throwAtCall = 0;                        // the logger stream access that throws, or kByOpenCv
  std::function<bool()> untouched = nullptr;  // outputs and file as they were
};

// 18 x 13 squares of 30 pixels: 17 x 12 inner corners.
cv::Mat drawnChessboard() {
  cv::Mat board(480, 640, CV_8UC3, cv::Scalar::all(255));
  for (int r = 0; r < 13; ++r)
    for (int c = 0; c < 18; ++c)
      if ((r + c) % 2) board(cv::Rect(50 + 30 * c, 45 + 30 * r, 30, 30)).setTo(cv::Scalar::all(0));
  return board;
}

TEST(ExportMessages, EveryPathWritesItsExactLinesToBothStreams) {
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("cal.yml"), missing = folder.file("absent.yml");
  const std::string settings = "%YAML:1.0\n---\nscale: 1.\ndist: 100.\ninitZ: -10.\nfocusD: 2.5\n";
  cv::Mat spotScene(100, 100, CV_8UC3, cv::Scalar::all(30));
  spotScene(cv::Rect(50, 60, 5, 5)).setTo(cv::Scalar::all(255));
  const cv::Mat flat(100, 100, CV_8UC3, cv::Scalar::all(30)), blank(480, 640, CV_8UC3, cv::Scalar::all(200));
  const cv::Mat chessboard = drawnChessboard();
  const cv::Mat cameraMatrix = (cv::Mat_<double>(3, 3) << 400, 0, 160, 0, 400, 120, 0, 0, 1);
  const cv::Mat sentinel = (cv::Mat_<int>(1, 3) << 7, 8, 9);
  cv::Point coord(4, 4);
  cv::Mat camera, dist, corrected;
  std::vector<int> ids;
  Markers corners;
  double height = 1.0, axisZ = 2.0;
  const std::vector<double> heights = {0.0, 1.0, 2.0};
  const std::vector<cv::Point> evenly = {{100, 50}, {110, 50}, {120, 50}};
  const auto isSentinel = [&](const cv::Mat& m) { return cv::norm(m, sentinel, cv::NORM_INF) == 0.0; };
  const auto fileKept = [&] { return talmeq::test::readText(path) == settings; };
  // clang-format off
  const Path paths[] = {
      {"getSpotCoord", [&] { return getSpotCoord(spotScene, coord); }, 0,
       {kSpotStart, "best gray thr = 225", "getSpotCoord: contours1.size = 1", "getSpotCoord: area = 16, ratio = 1",
        "getSpotCoord: circlirity = 0.785398", "getSpotCoord: coord.x = 52, coord.y = 62", "getSpotCoord: end!"}},
      {"getSpotCoord", [&] { return getSpotCoord(cv::Mat(), coord); }, -2,
       {kSpotStart, "getSpotCoord: image empty!", record("getSpotCoord", -2)}},
      {"getSpotCoord", [&] { return getSpotCoord(flat(cv::Rect(0, 0, 12, 13)), coord); }, -2,
       {kSpotStart, record("getSpotCoord", -2)}},
      {"getSpotCoord", [&] { return getSpotCoord(flat, coord); }, -1,
       {kSpotStart, "best gray thr = 30", "getSpotCoord: contours1.size = 0", record("getSpotCoord", -1)}},
      {"getCalibrationParamByLinear", [&] { return getCalibrationParamByLinear(heights, evenly, path); }, 0,
       {kFitStart, "height = 0, coord = [100, 50]", "height = 1, coord = [110, 50]", "height = 2, coord = [120, 50]",
        "err = 0.00336654", "err = 0.00680248", "err = 0.00343595", "average err = 0.00453499",
        "getCalibrationParamByLinear: end!"}},
      {"getCalibrationParamByLinear",
       [&] { return getCalibrationParamByLinear(heights, {{100, 50}, {100, 50}, {120, 50}}, path); }, -1,
       {kFitStart, "height = 0, coord = [100, 50]", "height = 1, coord = [100, 50]", "height = 2, coord = [120, 50]",
        "err = 0.5", "err = 0.5", "~err = ", "average err = 0.333333", record("getCalibrationParamByLinear", -1)}},
      {"getCalibrationParamByLinear", [&] { return getCalibrationParamByLinear({0.0, 1.0}, {{1, 1}, {2, 2}}, path); },
       -2, {kFitStart, record("getCalibrationParamByLinear", -2)}},
      {"getCalibrationParamByLinear", [&] { return getCalibrationParamByLinear(heights, evenly, missing); }, -2,
       {kFitStart, record("getCalibrationParamByLinear", -2)}},
      {"correctYml", [&] { return correctYml(-3.0, -1.0, path); }, 0,
       {kCorrectStart, "correctYml: before initZ = -10", "correctYml: after initZ = -8", "correctYml: end!"}},
      {"correctYml", [&] { return correctYml(-3.0, -1.0, missing); }, -2, {kCorrectStart, record("correctYml", -2)}},
      {"getPlaneHeightByLinear", [&] { return getPlaneHeightByLinear(spotScene, missing, height, axisZ); }, -2, {}},
      {"calibChess", [&] { return calibChess(chessboard, camera, dist); }, 0,
       {"calibChess: start!", "calibChess: findChessboardCorners success!", "~calibChess: rms = "}},
      {"calibChess", [&] { return calibChess(blank, camera, dist); }, -1,
       {"calibChess: start!", "calibChess: findChessboardCorners fail!", record("calibChess", -1)}},
      {"getCorrectImgByThickness", [&] { return getCorrectImgByThickness(blank, cameraMatrix, {}, 0.0, corrected); },
       0, {"getCorrectImg: start!", "thickness: 0", "getCorrectImg: end!"}},
      {"getArucoCorners", [&] { return getArucoCorners(blank, ids, corners); }, -1, {record("getArucoCorners", -1)}},
      {"calibAruco", [&] { return calibAruco({}, {}, {640, 480}, camera, dist); }, -1, {record("calibAruco", -1)}},
      {"undistAruco", [&] { return undistAruco(blank, cameraMatrix, {}, {320, 240}, corrected); }, 0, {}},
      // Text exceptions: the start message takes two stream accesses, the
      // next message throws.
      {"getSpotCoord", [&] { return getSpotCoord(spotScene, coord); }, -999, {kSpotStart, record("getSpotCoord", -999)},
       3, [&] { return coord == cv::Point(0, 0); }},
      {"getCalibrationParamByLinear", [&] { return getCalibrationParamByLinear(heights, evenly, path); }, -999,
       {kFitStart, record("getCalibrationParamByLinear", -999)}, 3, fileKept},
      {"correctYml", [&] { return correctYml(0.0, 1.0, path); }, -999, {kCorrectStart, record("correctYml", -999)}, 3,
       fileKept},
      {"calibChess", [&] { return calibChess(blank, camera, dist); }, -999,
       {"calibChess: start!", record("calibChess", -999)}, 3, [&] { return isSentinel(camera) && isSentinel(dist); }},
      {"getCorrectImgByThickness", [&] { return getCorrectImgByThickness(blank, cameraMatrix, {}, 19.0, corrected); },
       -999, {"getCorrectImg: start!", record("getCorrectImgByThickness", -999)}, 3, [&] { return corrected.empty(); }},
      // The detector takes 8-bit images only.
      {"getArucoCorners", [&] { return getArucoCorners(cv::Mat::zeros(120, 160, CV_32FC3), ids, corners); },
       -999, {record("getArucoCorners", -999)}, kByOpenCv},
      // OpenCV refuses a view without any marker.
      {"calibAruco", [&] { return calibAruco({Markers{}, Markers{}}, {{}, {}}, {640, 480}, camera, dist); }, -999,
       {record("calibAruco", -999)}, kByOpenCv, [&] { return isSentinel(camera) && isSentinel(dist); }},
      // No lens model has three coefficients.
      {"undistAruco",
       [&] { return undistAruco(blank, cameraMatrix, cv::Mat::zeros(1, 3, CV_64F), {32, 24}, corrected); }, -999, {record("undistAruco", -999)}, kByOpenCv, [&] { return corrected.empty(); }},
      // The measurement and its locator never log, not even a failure record.
      {"getPlaneHeightByLinear", [&] { return getPlaneHeightByLinear(spotScene, path, height, axisZ); }, -999, {},
       kByOpenCv, [&] { return height == 1.0 && axisZ == 2.0; }},
      {"getSpotCoordInRoI", [&] { return talmeq::detail::getSpotCoordInRoI(spotScene, {80, 80, 60, 60}, coord); }, -999, {}, kByOpenCv,
       [&] { return coord == cv::Point(0, 0); }},
  };
  // clang-format on
  for (const Path& p : paths) {
    talmeq::test::writeText(path, settings);
    if (p.result == -999 && std::string(p.name) == "getPlaneHeightByLinear")  // a window beyond the image
      talmeq::test::writeYaml(path, "k: 1.\ndist: 100.\nscale: 1.\nRoI: [ 80, 80, 60, 60 ]\n");
    coord = cv::Point(4, 4), camera = sentinel.clone(), dist = sentinel.clone(), corrected.release();
    talmeq::test::LogCapture capture;
    capture.throwAtCall(std::max(p.throwAtCall, 0));
    {
      std::optional<talmeq::test::CvErrorsAsText> asText;
      if (p.throwAtCall == kByOpenCv) asText.emplace();
      EXPECT_EQ(p.call(), p.result) << p.name << " " << p.result;
    }
    const Lines printed = capture.printed();
    EXPECT_TRUE(matches(printed, p.printed)) << p.name << " " << p.result << ":\n" << ::testing::PrintToString(printed);
    EXPECT_EQ(capture.filed(), printed) << p.name << " " << p.result;
    const bool recorded = !printed.empty() && printed.back().find(" returned ") != std::string::npos;
    EXPECT_EQ(capture.failures(), recorded ? Lines{printed.back()} : Lines{}) << p.name << " " << p.result;
    if (p.untouched) {
      EXPECT_TRUE(p.untouched()) << p.name << " " << p.result;
    }
  }
}

}  // namespace
