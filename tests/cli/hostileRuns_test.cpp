// Hostile runs of the tool, one table: each row is a way a user or a full
// disk can hurt a run, with the exit status the tool must give, a fragment
// of what it must say, and the files it must leave as they were (or absent).
// Every row runs in text mode and, unless marked, again with --json, where
// the document must keep its subcommand's shape.
#include <gtest/gtest.h>
#include <talmeq/cameraFile.h>

#include <map>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <regex>

#include "calibrationScenes.h"
#include "cameraCalibration.h"
#include "datasetWriter.h"
#include "simulatedStation.h"
#include "toolRun.h"

namespace {

using talmeq::test::readText;
using talmeq::test::runTool;
using talmeq::test::ScratchFolder;
using talmeq::test::writeText;
namespace fs = std::filesystem;

constexpr const char* kAbsent = "<absent>";

struct Row {
  const char* finding;
  std::vector<std::string> args;
  int status;
  std::string says;                         // in standard output or error (text), in the document (JSON)
  std::vector<std::string> unchanged = {};  // files that must keep their content, or stay absent
  std::string before = {}, after = {};      // shell pieces around the tool (see runTool)
  bool json = true;
  std::string documentSays = {};  // also in the JSON document
};

cv::Mat flat(cv::Size size, int grey) { return cv::Mat(size, CV_8UC3, cv::Scalar::all(grey)); }

cv::Mat withDiscs(std::initializer_list<cv::Point> centres) {
  cv::Mat scene = flat({640, 480}, 40);
  for (const cv::Point& c : centres) cv::circle(scene, c, 5, cv::Scalar::all(255), cv::FILLED);
  return scene;
}

std::string replaced(const std::string& text, const std::string& pattern, const std::string& by) {
  return std::regex_replace(text, std::regex(pattern), by);
}

// The files the rows work on, all in one folder.
void writeFixture(const ScratchFolder& dir) {
  talmeq::sim::writeHeightDataset(dir.path().string());
  fs::copy_file(dir.file("height/calibration.yml"), dir.file("start.yml"));
  fs::copy_file(dir.file("start.yml"), dir.file("cal.yml"));
  ASSERT_EQ(runTool(dir.path(), {"calibrate", "--yml", "cal.yml", "height/heights.csv"}).status, 0);
  const std::string calibrated = readText(dir.file("cal.yml"));
  writeText(dir.file("nan.yml"), replaced(calibrated, "\nk: [^\n]*", "\nk: .nan"));
  writeText(dir.file("cut.yml"), calibrated.substr(0, calibrated.find("RoI")));
  fs::copy_file(dir.file("cal.yml"), dir.file("big.yml"));
  writeText(dir.file("height/huge.csv"), "1e308,calib_00.png\n0,calib_01.png\n-1e308,calib_02.png\n");
  writeText(dir.file("height/hex.csv"), "height,image\n0x10,calib_01.png\n0,calib_00.png\n5,calib_02.png\n");
  writeText(dir.file("notes.png"), "not an image\n");
  cv::imwrite(dir.file("dark.png"), flat({1280, 1024}, 30));
  cv::imwrite(dir.file("small.png"), flat({640, 480}, 30));
  cv::imwrite(dir.file("blank.png"), flat({1024, 768}, 128));
  cv::imwrite(dir.file("outside.png"), withDiscs({{100, 100}}));
  cv::imwrite(dir.file("two.png"), withDiscs({{300, 300}, {400, 300}}));
  cv::Mat large = withDiscs({});
  large(cv::Rect(300, 250, 30, 30)).setTo(cv::Scalar::all(255));
  cv::imwrite(dir.file("large.png"), large);
  cv::Mat deep;
  withDiscs({{330, 290}}).convertTo(deep, CV_16UC3, 16.0);  // 12-bit data
  cv::imwrite(dir.file("deep.png"), deep);
  fs::create_symlink(dir.file("outside.png"), dir.file("link.png"));
  const cv::Mat board =
      talmeq::detail::aruco_api::drawGridBoard(talmeq::detail::camera::gridBoard(), {1100, 750}, 40, 1);
  cv::imwrite(dir.file("board.png"), board);
  cv::Mat shifted;  // the same flat view moved by (12, 9) px: a second view, but no camera can come from the two
  cv::warpAffine(board, shifted, cv::Matx23d(1, 0, 12, 0, 1, 9), board.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                 cv::Scalar::all(255));
  cv::imwrite(dir.file("shifted.png"), shifted);
  cv::Mat noFocus = cv::Mat::eye(3, 3, CV_64F);
  noFocus.at<double>(0, 0) = 0;
  talmeq::writeCameraFile(dir.file("zeroFx.yml"), {noFocus, cv::Mat::zeros(5, 1, CV_64F), {640, 480}, {}, {}, {}});
  const talmeq::sim::Camera camera = talmeq::sim::datasetCamera();
  talmeq::writeCameraFile(dir.file("other.yml"), {camera.matrix(), camera.distortion(), camera.size, {}, {}, {}});
  for (const char* name : {"refit.yml", "lock.yml"}) fs::copy_file(dir.file("cal.yml"), dir.file(name));
  writeText(dir.file("dist0.yml"), replaced(calibrated, "\ndist: [^\n]*", "\ndist: 0."));
  writeText(dir.file("scale0.yml"), replaced(calibrated, "\nscale: [^\n]*", "\nscale: 0."));
  writeText(dir.file("tiny.yml"), replaced(calibrated, "\ndist: [^\n]*", "\ndist: 1e-300"));
  writeText(dir.file("below.yml"), replaced(calibrated, "\ndist: [^\n]*", "\ndist: -300."));
  const std::string series = readText(dir.file("height/heights.csv"));  // heights 0, 5, ..., 30 in order
  writeText(dir.file("height/bom.csv"), "\xEF\xBB\xBF" + series.substr(series.find('\n') + 1));
  writeText(dir.file("height/typo.csv"), replaced(series, "height,image\n0,", "0.o,"));
  writeText(dir.file("height/shuffled.csv"),
            "15,calib_03.png\n0,calib_00.png\n30,calib_06.png\n5,calib_01.png\n"
            "25,calib_05.png\n10,calib_02.png\n20,calib_04.png\n");
  writeText(dir.file("height/repeated.csv"), "0,calib_00.png\n5,calib_01.png\n10,calib_00.png\n");
  writeText(dir.file("height/shifted.csv"),
            "20,calib_00.png\n25,calib_01.png\n30,calib_02.png\n35,calib_03.png\n"
            "40,calib_04.png\n45,calib_05.png\n50,calib_06.png\n");
  cv::imwrite(dir.file("old.png"), flat({64, 48}, 7));
  fs::copy_file(dir.file("two.png"), dir.file("\xE9t\xE9.png"));  // a Latin-1 name
  cv::Mat red = flat({128, 96}, 0);  // the export finds (64, 56), the precision layer no spot
  cv::imwrite(dir.file("red.png"), (cv::circle(red, {64, 48}, 5, cv::Scalar(0, 0, 255), cv::FILLED), red));
  cv::Mat ring = flat({1024, 768}, 40);  // the height road finds a spot, readHeight none
  cv::imwrite(dir.file("ring.png"), (cv::circle(ring, {620, 560}, 12, cv::Scalar::all(255), 3), ring));
  writeText(dir.file("failed.yml"), readText(dir.file("other.yml")) + "verdict: fail\n");
  cv::Mat wild = camera.distortion().clone();
  wild.at<double>(0) = 1e30;
  talmeq::writeCameraFile(dir.file("wild.yml"), {camera.matrix(), wild, camera.size, {}, {}, {}});
  fs::create_directory(dir.file("quiet"));
  const talmeq::detail::aruco_api::GridBoardGeometry grid45{
      {4, 5}, 200, 100, talmeq::detail::aruco_api::kDict6x6_250, 0};
  cv::imwrite(dir.file("grid45.png"), talmeq::detail::aruco_api::drawGridBoard(grid45, {600, 750}, 40, 1));
  cv::imwrite(dir.file("reversed.png"), talmeq::test::reversedStationGrid());
  // Characterization: two heights; three, each read twice from one frame, or 1.0 off; a stability series of
  // six frames at 15 over 100 s.
  fs::copy_file(dir.file("start.yml"), dir.file("precise.yml"));
  ASSERT_EQ(runTool(dir.path(), {"calibrate", "--precise", "--yml", "precise.yml", "height/heights.csv"}).status, 0);
  const std::string three = "0.75,measure_00.png\n2.25,measure_01.png\n3.75,measure_02.png\n";
  writeText(dir.file("height/two.csv"), three.substr(0, three.rfind("3.75")));
  writeText(dir.file("height/same.csv"), three + three);
  writeText(dir.file("height/off.csv"), "1.75,measure_00.png\n3.25,measure_01.png\n4.75,measure_02.png\n");
  std::string stable;
  for (int i = 0; i < 6; ++i) {
    const std::string frame = "stable_" + std::to_string(i) + ".png";
    cv::imwrite(dir.file("height/" + frame), talmeq::sim::stationFrame(talmeq::sim::datasetStation(), 15.0, 70 + i));
    stable += "15," + frame + "," + std::to_string(20 * i) + "\n";
  }
  writeText(dir.file("height/stable.csv"), stable);
  // Small items: damaged image files, odd camera and calibration files, odd names.
  std::vector<uchar> png, jpeg;
  cv::imencode(".png", withDiscs({{330, 290}}), png);
  const std::string badText("\0\0\0\3tEXta\0b\0\0\0\0", 15);  // a text chunk with a wrong checksum, after IHDR
  png.insert(png.begin() + 33, badText.begin(), badText.end());
  writeText(dir.file("crc.png"), std::string(png.begin(), png.end()));
  cv::imencode(".jpg", withDiscs({{330, 290}}), jpeg);
  writeText(dir.file("cut.jpg"), std::string(jpeg.begin(), jpeg.begin() + jpeg.size() / 2));
  cv::imwrite(dir.file("black.png"), flat({1280, 1024}, 0));
  cv::imwrite(dir.file("one.png"), flat({1, 1}, 0));
  fs::copy_file(dir.file("two.png"), dir.file("new\nline.png"));
  writeText(dir.file("float.yml"), replaced(readText(dir.file("other.yml")), "dt: d", "dt: f"));
  writeText(dir.file("w0.yml"), replaced(readText(dir.file("other.yml")), "image_width: [0-9]+", "image_width: 0"));
  writeText(dir.file("off.yml"), replaced(calibrated, "\noffsetX: [^\n]*", "\noffsetX: 3000000000"));
  writeText(dir.file("height/miss.csv"), "0.75,measure_00.png\n2.25,nothere.png\n");
  writeText(dir.file("height/twin.csv"), "0,../two.png\n5,calib_01.png\n10,calib_02.png\n");
}

const std::vector<Row>& rows() {
  // clang-format off
  static const std::vector<Row> table{
      {"heights too large for a finite fit", {"calibrate", "--yml", "start.yml", "height/huge.csv"}, 1,
       "the fit is not a finite number", {"start.yml"}},
      {"settings that overflow the fit",
       {"calibrate", "--yml", "new.yml", "height/heights.csv", "--scale", "1e308", "--dist", "1e-308", "--init-z",
        "0", "--focus-d", "0"},
       2, "dist must be a number above 32", {"new.yml"}},
      {"a refused fit creates no file", {"calibrate", "--yml", "new.yml", "height/repeated.csv", "--scale", "0.1",
       "--dist", "300", "--init-z", "-31", "--focus-d", "0.5"}, 1, "0.2 (the fit was refused: no file", {"new.yml"}},
      {"a refused fit keeps a file", {"calibrate", "--yml", "cal.yml", "height/repeated.csv"}, 1, "left", {"cal.yml"}},
      {"a shuffled series", {"calibrate", "--yml", "refit.yml", "height/shuffled.csv"}, 0, "ascending", {"refit.yml"}},
      {"a window without its own spots", {"calibrate", "--yml", "cal.yml", "height/shifted.csv"}, 1, "leaves out the "
       "spots of height/calib_03.png, height/calib_04.png, height/calib_05.png, height/calib_06.png:", {"cal.yml"}},
      {"a byte-order mark", {"calibrate", "--yml", "refit.yml", "height/bom.csv"}, 0, "calib_00.png", {"refit.yml"}},
      {"a mistyped first height", {"calibrate", "--yml", "refit.yml", "height/typo.csv"}, 2, "typo.csv:1: height is"},
      {"a file with dist 0", {"measure", "--yml", "dist0.yml", "height/measure_00.png"}, 2, "dist0.yml: dist must be"},
      {"scale 0", {"measure", "--precise", "--yml", "scale0.yml", "height/measure_00.png"}, 2, "scale0.yml: scale"},
      {"dist 1e-300", {"correct", "--yml", "tiny.yml", "--from", "0", "--to", "1"}, 2, "tiny.yml: dist", {"tiny.yml"}},
      {"a negative dist", {"characterize", "--yml", "below.yml", "height/measure.csv"}, 2, "below.yml: dist must be"},
      {"eight corrections at once", {"correct", "--yml", "lock.yml", "--from", "0", "--to", "1"}, 0, "initZ -", {},
       std::string("for i in $(seq 7); do ") + TALMEQ_TOOL + " correct --yml lock.yml --from 0 --to 1 >/dev/null& done;",
       "&& wait && grep -q '^initZ: -23\\.$' lock.yml", false},
      {"a threshold that is no number", {"calib-aruco", "board.png", "--max-rms", "nan"}, 2, "--max-rms: not a finite"},
      {"min above max", {"calib-aruco", "board.png", "--out", "c.yml", "--min-views", "20", "--max-views", "5"}, 2,
       "--min-views (20) is above --max-views (5)"},
      {"a negative count", {"characterize", "--yml", "cal.yml", "height/measure.csv", "--min-repeats", "-1"}, 2, "-1"},
      {"1e400", {"characterize", "--yml", "cal.yml", "height/measure.csv", "--max-drift", "1e400"}, 2, "e400"},
      {"a setting that is not a number",
       {"calibrate", "--yml", "new.yml", "height/heights.csv", "--scale", "nan", "--dist", "300", "--init-z", "0",
        "--focus-d", "0"},
       2, "--scale: not a finite decimal number", {"new.yml"}},
      {"a shift to an infinite initZ", {"correct", "--yml", "cal.yml", "--from", "1e308", "--to", "-1e308"}, 1,
       "the shifted initZ (-inf) is not a finite number", {"cal.yml"}},
      {"a file holding nan", {"measure", "--yml", "nan.yml", "height/measure_00.png"}, 2,
       "holds a value that is not a finite number: k", {"nan.yml"}},
      {"calibration into a folder where nothing can be created",
       {"calibrate", "--yml", "/proc/self/cal.yml", "--scale", "0.1", "--dist", "300", "--init-z", "-31",
        "--focus-d", "0.5", "height/heights.csv"},
       1, "cannot write /proc/self/cal.yml", {}},
      {"two accepted candidates", {"spot", "two.png"}, 0, "2 blobs passed every screen", {}},
      {"three copies of one flat view", {"calib-aruco", "board.png", "board.png", "board.png", "--out", "c.yml"},
       1, "board.png repeats the view of board.png", {}},
      {"a verdict from repeated views", {"calib-aruco", "board.png", "board.png", "board.png", "--out", "c.yml"},
       1, "repeated views, fx, fy); c.yml records it", {}},
      {"two different flat views", {"calib-aruco", "board.png", "shifted.png", "--out", "c.yml"}, 1,
       "only 2 different views: use 3 or more"},
      {"a focal length of no camera", {"calib-aruco", "board.png", "shifted.png", "--out", "c.yml"}, 1,
       "times the image width, outside 0.2 .. 5: not a plausible camera"},
      {"one view of no plausible camera", {"calib-aruco", "board.png", "--out", "c.yml"}, 1,
       "the camera from one view is not plausible (", {"c.yml"}},
      {"a 4 x 5 grid as the station's", {"calib-aruco", "grid45.png", "--out", "c.yml"}, 1,
       "does not fit the board: ids 0–19 in a 4 x 5 layout", {"c.yml"}},
      {"the station's grid numbered backwards", {"calib-aruco", "reversed.png", "--out", "c.yml"}, 1,
       "9 x 6 layout, numbered in reverse order", {"c.yml"}},
      {"a line through two points", {"characterize", "--yml", "precise.yml", "height/two.csv"}, 0,
       "(not evaluated: needs 3 sweep heights)"},
      {"one frame per height", {"characterize", "--yml", "precise.yml", "height/same.csv"}, 1,
       "failed its verdict (repeated frames)"},
      {"heights all 1.0 off", {"characterize", "--yml", "precise.yml", "height/off.csv", "--max-offset", "0.5"}, 1,
       "failed its verdict (offset)"},
      {"a stability series alone", {"characterize", "--yml", "precise.yml", "height/stable.csv"}, 0,
       "slope - 1| <= 0.005 (not evaluated: needs 2 sweep heights)", {}, "", "", true, "\"samples\": 6"},
      {"quantized readings", {"characterize", "--integer", "--yml", "cal.yml", "height/stable.csv", "--max-drift",
       "0.1"}, 0, "below one height step over the series (the readings never change) <= 0.1"},
      {"precise heights from a whole-pixel fit", {"measure", "--precise", "--yml", "cal.yml",
       "height/measure_00.png"}, 0, "was fitted from whole-pixel spots"},
      {"annotation over its image", {"spot", "outside.png", "--annotate", "outside.png"}, 2,
       "would overwrite the input outside.png", {"outside.png"}},
      {"annotation over a link to its image", {"spot", "outside.png", "--annotate", "link.png"}, 2,
       "would overwrite the input", {"outside.png"}},
      {"measure annotation over its image",
       {"measure", "--yml", "cal.yml", "height/measure_00.png", "--annotate", "height/measure_00.png"}, 2,
       "would overwrite the input", {"height/measure_00.png"}},
      {"plot over a calibration frame",
       {"calibrate", "--yml", "start.yml", "height/heights.csv", "--plot", "height/calib_03.png"}, 2,
       "would overwrite the input", {"start.yml", "height/calib_03.png"}},
      {"camera picture over its image", {"calib-chess", "blank.png", "--out", "c.yml", "--annotate", "blank.png"},
       2, "would overwrite the input", {"blank.png"}},
      {"an annotation over the coverage map",
       {"calib-aruco", "board.png", "coverage.png", "--out", "c.yml", "--annotate", "x.png"}, 2,
       "two outputs name the same file: x-coverage.png", {"c.yml", "x-coverage.png"}, "cp board.png coverage.png;"},
      {"log file over an input", {"spot", "outside.png", "--log-file", "outside.png"}, 2,
       "would overwrite the input", {"outside.png"}},
      {"log file with =", {"--log-file=cal.yml", "measure", "--yml=cal.yml", "height/measure_00.png"}, 2,
       "the log file cal.yml would overwrite the input cal.yml", {"cal.yml"}},
      {"log file from the environment", {"correct", "--yml", "cal.yml", "--from", "0", "--to", "1"}, 2, "the log file",
       {"cal.yml"}, "TALMEQ_LOG_FILE=cal.yml"},
      {"log file over a frame", {"calibrate", "--yml", "cal.yml", "height/heights.csv", "--log-file",
       "height/calib_03.png"}, 2, "overwrite the input height/calib_03.png", {"cal.yml", "height/calib_03.png"}},
      {"annotation on a full disk", {"spot", "height/calib_00.png", "--annotate", "old.png"}, 1, "cannot write old.png: File too large",
       {"old.png"}, "trap '' XFSZ; ulimit -f 64;"},
      {"plot name without an image extension", {"calibrate", "--yml", "start.yml", "height/heights.csv", "--plot", "p"},
       2, "give it an image extension", {"start.yml", "p"}},
      {"correction of the starting file", {"correct", "--yml", "start.yml", "--from", "0", "--to", "1"}, 2,
       "holds no calibration", {"start.yml"}},
      {"correction of a truncated file", {"correct", "--yml", "cut.yml", "--from", "0", "--to", "1"}, 2,
       "holds no calibration (it lacks RoI, offsetX, offsetY): run calibrate first", {"cut.yml"}},
      {"a bad image among good ones", {"spot", "height/calib_00.png", "notes.png", "height/calib_01.png"}, 1,
       "notes.png: not a readable image", {}},
      {"measure keeps the rows of the good images",
       {"measure", "--yml", "cal.yml", "small.png", "height/measure_00.png"}, 1,
       "does not hold the calibration's search window", {}},
      {"calib-aruco calibrates from the readable views",
       {"calib-aruco", "board.png", "notes.png", "--out", "c.yml"}, 1, "notes.png: not a readable image", {}},
      {"measure with the starting file", {"measure", "--yml", "start.yml", "height/measure_00.png"}, 2,
       "holds no calibration", {}},
      {"measure with a camera file", {"measure", "--yml", "other.yml", "height/measure_00.png"}, 2,
       "other.yml holds no calibration (it is a camera file", {}},
      {"calib-chess without a board", {"calib-chess", "blank.png", "--out", "c.yml"}, 1,
       "give --skip-board-check", {"c.yml"}},
      {"dataset into a folder that cannot be made", {"demo", "--frames", "1", "--keep", "/proc/self/kept"}, 1,
       "cannot write the dataset", {}},
      {"a target too small to print", {"board", "aruco", "--out", "b.png", "--unit-mm", "0.001"}, 2,
       "too small to print", {"b.png"}},
      {"a 16-bit image", {"spot", "deep.png"}, 1, "a 16-bit image", {}},
      {"a camera file of another size", {"undistort", "small.png", "--camera", "other.yml", "--out", "u.png"}, 0,
       "was made for 1024 x 768 images", {}},
      {"a camera without focal length", {"undistort", "small.png", "--camera", "zeroFx.yml", "--out", "u.png"}, 2,
       "this matrix cannot be a camera", {"u.png"}},
      {"thickness 190",
       {"correct-thickness", "small.png", "--camera", "other.yml", "--thickness", "190", "--out", "t.png"}, 0,
       "the result is one flat colour", {}},
      {"thickness above 190",
       {"correct-thickness", "small.png", "--camera", "other.yml", "--thickness", "200", "--out", "t.png"}, 0,
       "the result is mirrored", {}},
      {"a hexadecimal height after the header", {"calibrate", "--yml", "start.yml", "height/hex.csv"}, 2,
       "height is not a finite decimal number: '0x10'", {"start.yml"}},
      {"standard output on a full disk", {"spot", "two.png"}, 1, "cannot write to standard output", {}, "",
       ">/dev/full", false},
      {"a log file that cannot be written", {"spot", "two.png"}, 0, "cannot write the log file /proc/nope/x.log",
       {}, "TALMEQ_LOG_FILE=/proc/nope/x.log"},
      {"no candidate", {"spot", "dark.png"}, 1, "no candidate in the detection window [448, 460, 448, 307]", {}},
      {"spot outside the window", {"spot", "outside.png"}, 1,
       "spot outside the window: the detection window [224, 216, 224, 144] holds no candidate, but a bright blob of",
       {}},
      {"candidates refused", {"spot", "large.png"}, 1,
       "1 candidate in the detection window [224, 216, 224, 144], none accepted: 1 too large", {}},
      {"no blob for the locator", {"measure", "--yml", "cal.yml", "dark.png"}, 1, "no spot: no blob at the track level",
       {}, "", "", true, "no single spot found in the search window"},
      {"versions", {"--version"}, 0, "2025_09_29_V1.8.0", {}},
      {"unknown subcommand", {"frobnicate"}, 2, "unknown subcommand 'frobnicate'; the subcommands are: spot,", {}},
      {"global options in a subcommand's help", {"measure", "--help"}, 0, "--log-file FILE", {}},
      {"a name that is not UTF-8", {"spot", "\xE9t\xE9.png"}, 0, "2 blobs", {}, "", "", true, "not UTF-8"},
      {"a plot without 8-bit colour", {"calibrate", "--yml", "refit.yml", "height/heights.csv", "--plot", "f.pgm"},
       2, "cannot write an image named f.pgm", {"refit.yml", "f.pgm"}},
      {"a view picture without 8-bit colour", {"calib-aruco", "board.png", "--out", "c2.yml", "--annotate", "s.exr"},
       2, "cannot write an image named s.exr", {"c2.yml"}},
      {"a size limit", {"board", "chess", "--out", "b2.png"}, 1, "cannot write b2.png", {"b2.png"}, "ulimit -f 1;"},
      {"readings that contradict", {"spot", "--precise", "red.png"}, 1, "readSpot found noSpot where getSpotCoord", {}},
      {"heights that contradict", {"measure", "--precise", "--yml", "cal.yml", "ring.png"}, 1,
       "readHeight found noSpot where getPlaneHeightByLinear found a spot", {"cal.yml"}},
      {"one flat value", {"undistort", "small.png", "--camera", "wild.yml", "--out", "u.png"}, 0, "the one value", {}},
      {"failed camera", {"undistort", "small.png", "--camera", "failed.yml", "--out", "u.png"}, 0, "verdict: fail", {}},
      {"no empty log file", {"board", "chess", "--out", "b.svg"}, 0, "b.svg", {"quiet/talmeqAlgorithm.log"},
       "cd quiet && env -u TALMEQ_LOG_FILE -u TALMEQ_LOG_CONFIG"},
      {"a file named like an option", {"spot", "-a.png"}, 2, "unknown option '-a.png' (a file whose name starts"},
      {"standard output closed", {"spot", "two.png"}, 1, "cannot write to standard output", {}, "", ">&-", false},
      {"an interrupted run", {"simulate", "sim"}, 124, "", {"quiet/talmeqAlgorithm.log"},
       "cd quiet && env -u TALMEQ_LOG_FILE -u TALMEQ_LOG_CONFIG timeout -s INT 0.5", "", false},
      {"an image above the decoders' limit", {"spot", "small.png"}, 1, "too large: more pixels than OpenCV's", {},
       "OPENCV_IO_MAX_IMAGE_PIXELS=1000"},
      {"precise on one pixel", {"spot", "--precise", "one.png"}, 1, "the image is too small: its detection window"},
      {"an offset beyond int", {"measure", "--yml", "off.yml", "height/measure_00.png"}, 2,
       "offsetX: 3000000000 lies beyond the int range"},
      {"a truncated JPEG", {"spot", "cut.jpg"}, 1, "(Premature end of JPEG file): part of the image may be missing"},
      {"a PNG checksum", {"spot", "crc.png"}, 0, "complained while reading it (libpng warning: tEXt: CRC error)"},
      {"a camera in floats", {"undistort", "small.png", "--camera", "float.yml", "--out", "u.png"}, 0, "u.png"},
      {"image_width 0", {"undistort", "small.png", "--camera", "w0.yml", "--out", "u.png"}, 0, "image size 0 x 768"},
      {"a huge size", {"undistort", "small.png", "--camera", "other.yml", "--out", "u.png", "--size",
       "100000x100000"}, 2, "100000x100000 is too large"},
      {"a line break in a name", {"spot", "new\nline.png"}, 0, "new\\x0aline.png  0", {}, "", "", false},
      {"a missing image in a CSV", {"characterize", "--yml", "cal.yml", "height/miss.csv"}, 2, "miss.csv:2: no such"},
      {"signed fit errors", {"calibrate", "--yml", "cal.yml", "height/repeated.csv"}, 1, "-5.0", {"cal.yml"}},
      {"an error above the limit", {"calibrate", "--yml", "cal.yml", "height/repeated.csv"}, 1,
       "3.3333 (above the accepted 0.2: the fit is refused)", {"cal.yml"}, "", "", false},
      {"two spots in a calibration frame", {"calibrate", "--precise", "--yml", "refit.yml", "height/twin.csv"}, 1,
       "two.png: readSpot found two spots, at (", {"refit.yml"}},
      {"a dark window", {"measure", "--yml", "cal.yml", "black.png"}, 1, "is dark: fewer than 101 of its pixels"},
      {"the time unit", {"characterize", "--yml", "precise.yml", "height/stable.csv"}, 0, "times read as seconds", {},
       "", "", false},
      {"plots named as an image", {"characterize", "--yml", "precise.yml", "height/two.csv", "--plot", "st.png"}, 0,
       "", {}, "", "&& test -f st-linearity.png"},
      {"huge numbers in short form", {"correct", "--yml", "big.yml", "--from", "0", "--to", "1e62"}, 0,
       "-> 1e+62", {}, "", "", false},
  };
  // clang-format on
  return table;
}

// The content of each file, or kAbsent.
std::map<std::string, std::string> snapshot(const ScratchFolder& dir, const std::vector<std::string>& files) {
  std::map<std::string, std::string> contents;
  for (const std::string& file : files)
    contents[file] = fs::exists(dir.file(file)) ? readText(dir.file(file)) : kAbsent;
  return contents;
}

TEST(HostileRuns, EveryFindingIsRefusedOrReported) {
  ScratchFolder dir;
  writeFixture(dir);
  for (const Row& row : rows()) {
    SCOPED_TRACE(row.finding);
    for (const bool json : {false, true}) {
      if (json && !row.json) continue;
      std::vector<std::string> args = row.args;
      if (json) args.insert(args.begin(), "--json");
      const auto before = snapshot(dir, row.unchanged);
      const auto run = runTool(dir.path(), args, row.before, row.after);
      EXPECT_EQ(run.status, row.status) << run.err;
      EXPECT_NE((run.out + run.err).find(row.says), std::string::npos) << run.out << run.err;
      if (json) {
        EXPECT_NE(run.out.find(row.documentSays), std::string::npos) << run.out;
      }
      EXPECT_EQ(snapshot(dir, row.unchanged), before);
      const nlohmann::json document = nlohmann::json::parse(run.out, nullptr, false);
      if (json && !document.is_discarded()) talmeq::test::expectDocumentShape(document);
      EXPECT_TRUE(!json || !document.is_discarded()) << run.out << run.err;
    }
  }
}

}  // namespace
