// getSpotCoord on hand-built scenes with exact expectations: the bright,
// saturated and dim paths, every screen at its boundary, all four edges of
// the detection window, blob merging, the largest-blob rule, the smallest
// searchable frame, and the reach of the dim method's background box.
//
// 100 x 100 scenes: the detection window is columns 35..69, rows 45..74.
// 400 x 400 scenes: columns 140..279, rows 180..299.
// A w x h block of pixels traces a contour polygon of (w-1) x (h-1).
#include <gtest/gtest.h>
#include <talmeqAlgorithm.h>

#include "logCapture.h"
#include "spotScenes.h"

namespace {

using namespace talmeq::test;
using Lines = std::vector<std::string>;

struct Scene {
  const char* name;
  cv::Size size;
  cv::Scalar background;
  std::vector<Paint> paints;
  int result;
  cv::Point coord;
  int threshold;    // the logged threshold; -1 when none is logged
  Lines screening;  // every "area" and "circlirity" message, without the function's name
};

const cv::Size kS{100, 100}, kL{400, 400};
const cv::Scalar kW = grey(255);
const Lines kSquare16 = {"area = 16, ratio = 1", "circlirity = 0.785398"};

// clang-format off
const Scene kScenes[] = {
    // Paths: saturated (threshold capped at 225), bright from the 16th
    // largest grey value, dim from below 200 on the red channel only.
    {"saturated", kS, grey(30), {{{50, 60, 5, 5}, kW}}, 0, {52, 62}, 225, kSquare16},
    {"bright", kS, grey(210), {{{50, 60, 3, 5}, grey(250)}}, 0, {51, 62}, 210,
     {"area = 8, ratio = 0.6", "circlirity = 0.698132"}},
    {"dim at 199", kL, grey(0), {{{200, 240, 4, 4}, grey(199)}}, 0, {201, 241}, 199,
     {"area = 9, ratio = 1", "circlirity = 0.785398"}},
    {"bright at 200", kL, grey(0), {{{200, 240, 4, 4}, grey(200)}}, -1, {0, 0}, 200, {}},
    {"dim red", kL, {20, 20, 80}, {{{250, 258, 5, 5}, {20, 20, 140}}}, 0, {252, 260}, 56, kSquare16},
    {"dim blue", kL, {80, 20, 20}, {{{250, 258, 5, 5}, {255, 20, 20}}}, -1, {0, 0}, 47, {}},
    // Screens at their boundaries: area 5 and 300, ratio 0.3 and 3 (both
    // exclusive), circularity 0.5.
    {"area 4", kS, grey(210), {{{50, 55, 2, 5}, kW}}, -1, {0, 0}, 210, {}},
    {"area 5", kS, grey(210), {{{50, 55, 2, 6}, kW}}, -1, {0, 0}, 210,
     {"area = 5, ratio = 0.333333", "circlirity = 0.436332"}},
    {"area 300", kS, grey(210), {{{40, 50, 16, 21}, kW}}, -1, {0, 0}, 225, {"area = 300, ratio = 0.761905"}},
    {"area 299", kS, grey(210), {{{40, 50, 14, 24}, kW}}, 0, {46, 61}, 225,
     {"area = 299, ratio = 0.583333", "circlirity = 0.724796"}},
    {"ratio 0.3", kS, grey(210), {{{50, 50, 3, 10}, kW}}, -1, {0, 0}, 225, {"area = 18, ratio = 0.3"}},
    {"ratio 3", kS, grey(210), {{{45, 55, 12, 4}, kW}}, -1, {0, 0}, 225, {"area = 33, ratio = 3"}},
    {"ratio 2.75", kS, grey(210), {{{45, 55, 11, 4}, kW}}, 0, {50, 56}, 225,
     {"area = 30, ratio = 2.75", "circlirity = 0.557679"}},
    {"an L", kS, grey(210), {{{50, 55, 8, 2}, kW}, {{50, 55, 2, 8}, kW}}, -1, {0, 0}, 225,
     {"area = 21, ratio = 1", "circlirity = 0.400887"}},
    // Blocks across each edge of the window: only the part inside counts.
    {"left edge", kS, grey(30), {{{30, 60, 10, 5}, kW}}, 0, {37, 62}, 225, kSquare16},
    {"right edge", kS, grey(30), {{{66, 60, 10, 5}, kW}}, 0, {67, 62}, 225,
     {"area = 12, ratio = 0.8", "circlirity = 0.76937"}},
    {"top edge", kS, grey(30), {{{50, 41, 5, 10}, kW}}, 0, {52, 47}, 225,
     {"area = 20, ratio = 0.833333", "circlirity = 0.775702"}},
    {"bottom edge", kS, grey(30), {{{50, 70, 5, 10}, kW}}, 0, {52, 72}, 225, kSquare16},
    // The closing joins a block 6 columns outside the window to one inside.
    {"closed across", kS, grey(30), {{{20, 58, 10, 9}, kW}, {{36, 58, 10, 9}, kW}}, 0, {40, 62}, 225,
     {"area = 79, ratio = 1.22222", "circlirity = 0.818407"}},
    // A ring whose hole the closing cannot fill: outer and hole contours
    // are both accepted and, filled together, become one solid blob.
    {"ring", kS, grey(30), {{{45, 50, 17, 17}, kW}, {{49, 54, 9, 9}, grey(30)}}, 0, {53, 58}, 225,
     {"area = 68, ratio = 1", "circlirity = 0.910957", "area = 256, ratio = 1", "circlirity = 0.785398"}},
    // The largest blob wins; its area is kept truncated, so a later blob
    // that only beats the integer part takes over (11.5 > 11).
    {"first of equals", kS, grey(30), {{{40, 60, 4, 5}, kW}, {{58, 50, 4, 5}, kW}}, 0, {41, 62}, 225,
     {"area = 12, ratio = 0.8", "circlirity = 0.76937", "area = 12, ratio = 0.8", "circlirity = 0.76937"}},
    {"later 11.5 over 11.5", kS, grey(30),
     {{{40, 60, 4, 5}, kW}, {{40, 60, 1, 1}, grey(30)}, {{58, 50, 4, 5}, kW}, {{58, 50, 1, 1}, grey(30)}}, 0,
     {59, 52}, 225,
     {"area = 11.5, ratio = 0.8", "circlirity = 0.803114", "area = 11.5, ratio = 0.8", "circlirity = 0.803114"}},
    // The smallest searchable frame: a 4 x 4 window; one row less is refused.
    {"12 x 14", {12, 14}, grey(30), {}, -1, {0, 0}, 30, {}},
    {"12 x 13", {12, 13}, grey(30), {}, -2, {0, 0}, -1, {}},
    // The dim method's background box reaches 25 pixels beyond the part
    // its closings read. The red dot 110 rows above the window (the
    // closings' reach) stands 51 above its background only when that
    // background counts the band 25 rows above the dot once; with the two
    // dots beside it, the closings then carry it down onto the block's top
    // row in the window.
    {"box reach", kL, grey(0), {{{175, 47, 51, 1}, red(255)},
      {{200, 70, 1, 1}, red(56)},
      {{150, 81, 1, 1}, red(200)},
      {{251, 80, 1, 1}, red(200)},
      {{200, 181, 6, 4}, red(200)}},
     0, {202, 182}, 60, {"area = 20, ratio = 1.2", "circlirity = 0.775702"}},
};
// clang-format on

TEST(SpotDetector, ScenesGiveTheirExactScreeningAndSpot) {
  for (const Scene& s : kScenes) {
    LogCapture capture;
    cv::Point coord(-7, -7);
    EXPECT_EQ(getSpotCoord(sceneOf(s.size, s.background, s.paints), coord), s.result) << s.name;
    EXPECT_EQ(coord, s.coord) << s.name;
    int threshold = -1;
    Lines screening;
    for (const std::string& line : capture.printed()) {
      if (line.rfind("best gray thr = ", 0) == 0) threshold = std::stoi(line.substr(16));
      if (line.rfind("getSpotCoord: area", 0) == 0 || line.rfind("getSpotCoord: circ", 0) == 0)
        screening.push_back(line.substr(14));
    }
    EXPECT_EQ(threshold, s.threshold) << s.name;
    EXPECT_EQ(screening, s.screening) << s.name;
  }
}

}  // namespace
