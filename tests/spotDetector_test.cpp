// getSpotCoord on hand-built scenes with exact expectations: the bright,
// saturated and dim paths, every screen at its boundary, the detection
// window, blob merging, the largest-blob rule and the message sequences.
//
// Scenes are 100 x 100: the detection window is columns 35..69, rows 45..74.
// A w x h block of pixels traces a contour polygon of (w-1) x (h-1).
#include <gtest/gtest.h>

#include <talmeqAlgorithm.h>

#include "logCapture.h"
#include "spotScenes.h"

namespace {

using talmeq::test::flatScene;
using talmeq::test::LogCapture;
using talmeq::test::paint;
using talmeq::test::paintPixels;
using Lines = std::vector<std::string>;

const cv::Size kScene{100, 100};
const std::string kStart = "getSpotCoord: start! 2025_09_29_V1.8.0";

struct Detection {
  int result;
  cv::Point coord;
  Lines printed;
  Lines filed;
};

Detection detect(const cv::Mat& image) {
  LogCapture capture;
  Detection d{0, cv::Point(-7, -7), {}, {}};
  d.result = getSpotCoord(image, d.coord);
  d.printed = capture.printed();
  d.filed = capture.filed();
  return d;
}

// The messages between "best gray thr" and the coordinates: the screening log.
Lines screening(const Detection& d) {
  Lines lines;
  for (const std::string& line : d.printed)
    if (line.rfind("getSpotCoord: area", 0) == 0 || line.rfind("getSpotCoord: circ", 0) == 0) lines.push_back(line);
  return lines;
}

TEST(SpotDetectorPaths, SaturatedSpotGivesThreshold225AndTheFullMessageSequence) {
  cv::Mat scene = flatScene(kScene, 30);
  paint(scene, {50, 60, 5, 5}, 255);
  const Detection d = detect(scene);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.coord, cv::Point(52, 62));
  const Lines expected = {kStart,
                          "best gray thr = 225",
                          "getSpotCoord: contours1.size = 1",
                          "getSpotCoord: area = 16, ratio = 1",
                          "getSpotCoord: circlirity = 0.785398",
                          "getSpotCoord: coord.x = 52, coord.y = 62",
                          "getSpotCoord: end!"};
  EXPECT_EQ(d.printed, expected);
  EXPECT_EQ(d.filed, expected);
}

TEST(SpotDetectorPaths, BrightUnsaturatedSpotUsesTheSixteenthLargestValue) {
  cv::Mat scene = flatScene(kScene, 210);
  paint(scene, {50, 60, 3, 5}, 250);  // 15 pixels above the background
  const Detection d = detect(scene);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.printed.at(1), "best gray thr = 210");
  EXPECT_EQ(screening(d), (Lines{"getSpotCoord: area = 8, ratio = 0.6", "getSpotCoord: circlirity = 0.698132"}));
  EXPECT_EQ(d.coord, cv::Point(51, 62));
}

// The dim method's 101-pixel closings reach across a 100-pixel scene (OpenCV
// leaves the border out of the erosion), so its scenes are 400 x 400: the
// window is then columns 140..279, rows 180..299.
const cv::Size kDimScene{400, 400};

TEST(SpotDetectorPaths, ThresholdSwitchesMethodBetween199And200) {
  // 16 pixels at the level on black: the rank value is the level itself.
  for (const int level : {199, 200}) {
    cv::Mat scene = flatScene(kDimScene, 0);
    paint(scene, {200, 240, 4, 4}, level);
    const Detection d = detect(scene);
    EXPECT_EQ(d.printed.at(1), "best gray thr = " + std::to_string(level));
    if (level == 199) {
      // Dim method: red minus its 51 x 51 background exceeds 50 on the block.
      EXPECT_EQ(d.result, 0);
      EXPECT_EQ(d.coord, cv::Point(201, 241));
      EXPECT_EQ(screening(d).at(0), "getSpotCoord: area = 9, ratio = 1");
    } else {
      // Bright method: nothing lies strictly above 200.
      EXPECT_EQ(d.result, -1);
      EXPECT_EQ(d.printed.at(2), "getSpotCoord: contours1.size = 0");
      EXPECT_EQ(d.coord, cv::Point(0, 0));
    }
  }
}

TEST(SpotDetectorPaths, DimMethodLooksAtTheRedChannelAboveItsBackground) {
  // A red-only spot: grey stays low, red stands 60 above a red background.
  cv::Mat scene(kDimScene, CV_8UC3, cv::Scalar(20, 20, 80));
  scene(cv::Rect(250, 258, 5, 5)).setTo(cv::Scalar(20, 20, 140));
  const Detection d = detect(scene);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.coord, cv::Point(252, 260));
  // A blue spot of the same grey level is invisible to the dim method.
  cv::Mat blue(kDimScene, CV_8UC3, cv::Scalar(80, 20, 20));
  blue(cv::Rect(250, 258, 5, 5)).setTo(cv::Scalar(255, 20, 20));
  EXPECT_EQ(detect(blue).result, -1);
}

// Bright-path screens: shapes at 255 on a 210 background (thr 210 or 225).
Detection detectShape(cv::Rect shape) {
  cv::Mat scene = flatScene(kScene, 210);
  paint(scene, shape, 255);
  return detect(scene);
}

TEST(SpotDetectorScreens, AreaRatioAndCircularityAtTheirBoundaries) {
  struct Screen {
    cv::Rect shape;  // a w x h block traces a (w-1) x (h-1) polygon
    int result;
    Lines screening;  // the first screening lines
    std::size_t lines;
  };
  const Screen screens[] = {
      {{50, 55, 2, 5}, -1, {}, 0},  // area 4: dropped silently
      {{50, 55, 2, 6}, -1, {"getSpotCoord: area = 5, ratio = 0.333333", "getSpotCoord: circlirity = 0.436332"}, 2},
      {{40, 50, 16, 21}, -1, {"getSpotCoord: area = 300, ratio = 0.761905"}, 1},
      {{40, 50, 14, 24}, 0, {"getSpotCoord: area = 299, ratio = 0.583333"}, 2},
      {{50, 50, 3, 10}, -1, {"getSpotCoord: area = 18, ratio = 0.3"}, 1},  // ratio bounds are exclusive
      {{45, 55, 12, 4}, -1, {"getSpotCoord: area = 33, ratio = 3"}, 1},
      {{45, 55, 11, 4}, 0, {}, 2},  // ratio 2.75
      {{50, 55, 6, 3}, 0, {}, 2},   // circularity 0.641
  };
  for (const Screen& expected : screens) {
    const Detection d = detectShape(expected.shape);
    const Lines got = screening(d);
    EXPECT_EQ(d.result, expected.result) << expected.shape;
    EXPECT_EQ(got.size(), expected.lines) << expected.shape;
    EXPECT_EQ(Lines(got.begin(), got.begin() + std::min(got.size(), expected.screening.size())), expected.screening);
    EXPECT_EQ(d.printed.at(2), "getSpotCoord: contours1.size = 1") << expected.shape;
  }
  EXPECT_EQ(detectShape({40, 50, 14, 24}).coord, cv::Point(46, 61));
  // An L (8 x 2 bar with a 2 x 6 leg) is screened but its circularity stays below one half.
  cv::Mat scene = flatScene(kScene, 210);
  paint(scene, {50, 55, 8, 2}, 255);
  paint(scene, {50, 55, 2, 8}, 255);
  const Detection thin = detect(scene);
  EXPECT_EQ(screening(thin).size(), 2u);
  EXPECT_EQ(thin.result, -1);
}

TEST(SpotDetectorWindow, ForegroundOutsideTheWindowNeverCounts) {
  cv::Mat scene = flatScene(kScene, 30);
  paint(scene, {10, 10, 5, 5}, 255);  // top-left, outside
  paint(scene, {80, 80, 5, 5}, 255);  // bottom-right, outside
  const Detection d = detect(scene);
  EXPECT_EQ(d.result, -1);
  EXPECT_EQ(d.printed.at(2), "getSpotCoord: contours1.size = 0");
}

TEST(SpotDetectorWindow, OnlyThePartInsideTheWindowFormsTheCandidate) {
  cv::Mat scene = flatScene(kScene, 30);
  paint(scene, {30, 60, 10, 5}, 255);  // columns 30..39 straddle the left edge at 35
  const Detection d = detect(scene);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(screening(d).at(0), "getSpotCoord: area = 16, ratio = 1");  // columns 35..39 only
  EXPECT_EQ(d.coord, cv::Point(37, 62));
}

TEST(SpotDetectorBlobs, AcceptedContoursThatOverlapMergeIntoOneBlob) {
  // A square ring with a hole too wide for the closing: its outer and hole
  // contours are both accepted and, filled, become one solid blob.
  cv::Mat scene = flatScene(kScene, 30);
  paint(scene, {45, 50, 17, 17}, 255);
  paint(scene, {49, 54, 9, 9}, 30);
  const Detection d = detect(scene);
  EXPECT_EQ(d.printed.at(2), "getSpotCoord: contours1.size = 2");
  EXPECT_EQ(screening(d).size(), 4u);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.coord, cv::Point(53, 58));
}

// Two blobs side by side: the left one at columns 40.., the right one at 58..
// findContours reports them in reverse scan order of their top pixels; the
// top rows are chosen so that the left blob comes first.
struct TwoBlobs {
  double leftArea, rightArea;
  cv::Point chosen;
};

TEST(SpotDetectorBlobs, LargestBlobRuleKeepsTheBestAreaTruncated) {
  // 4 x 5 blocks (area 12) with corners cut (each cut removes 0.5).
  auto block = [](cv::Mat& s, int x, int y, int cuts) {
    paint(s, {x, y, 4, 5}, 255);
    const cv::Point corners[] = {{x, y}, {x + 3, y}, {x + 3, y + 4}};
    for (int i = 0; i < cuts; ++i) paintPixels(s, {corners[i]}, 30);
  };
  struct Case { int leftCuts, rightCuts; bool rightWins; };
  // 12 vs 12: the first stays. 11.5 vs 11.5: the second wins (11.5 > 11).
  // 12 vs 11.5: the first stays. 11.5 vs 12: the second wins.
  for (const Case c : {Case{0, 0, false}, Case{1, 1, true}, Case{0, 1, false}, Case{1, 0, true}}) {
    cv::Mat scene = flatScene(kScene, 30);
    block(scene, 40, 60, c.leftCuts);
    block(scene, 58, 50, c.rightCuts);
    const Detection d = detect(scene);
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.coord.x > 50, c.rightWins) << c.leftCuts << " " << c.rightCuts;
  }
}

TEST(SpotDetectorFailures, EmptyImageLogsOnlyStartAndEmptyMessageAndResetsCoord) {
  const Detection d = detect(cv::Mat());
  EXPECT_EQ(d.result, -2);
  EXPECT_EQ(d.coord, cv::Point(0, 0));
  ASSERT_EQ(d.printed.size(), 3u);
  EXPECT_EQ(d.printed[0], kStart);
  EXPECT_EQ(d.printed[1], "getSpotCoord: image empty!");
  EXPECT_EQ(d.printed[2].rfind(talmeq::test::failurePrefix("getSpotCoord", -2) + " at ", 0), 0u);
}

TEST(SpotDetectorFailures, NoBlobWritesTheFailureRecordAndNoEndMessage) {
  const Detection d = detect(flatScene(kScene, 30));
  EXPECT_EQ(d.result, -1);
  EXPECT_EQ(d.coord, cv::Point(0, 0));
  EXPECT_EQ(d.printed.back().rfind(talmeq::test::failurePrefix("getSpotCoord", -1), 0), 0u);
  EXPECT_EQ(std::count(d.printed.begin(), d.printed.end(), "getSpotCoord: end!"), 0);
}

}  // namespace
