// getSpotCoordInRoI on hand-built scenes: the bright-spot pass with its
// saturation threshold and its blob's area and ratio bounds, the fall
// through to the track pass, the track band and its distance limit, the
// track level, the contrast rule, the blob count, and the region sizes that
// decide whether the track pass runs at all.
//
// Track scenes paint red-only pixels: their grey value stays far below the
// saturation threshold, so only the track pass can see them.
#include <gtest/gtest.h>

#include <talmeqInternal.h>

#include "logCapture.h"
#include "regionLocation.h"

namespace {

using Paint = std::pair<cv::Rect, cv::Scalar>;

cv::Scalar grey(int level) { return cv::Scalar::all(level); }
cv::Scalar red(int level) { return {0, 0, static_cast<double>(level)}; }

// A square block of `side` pixels centred on `centre`.
cv::Rect block(cv::Point centre, int side) { return {centre.x - side / 2, centre.y - side / 2, side, side}; }

// A white block whose corners are cut by staircases of two pixels: the
// opening keeps it as it is, and its contour polygon has the area
// (w - 1)(h - 1) - 8.
std::vector<Paint> cutBlock(cv::Rect r, cv::Scalar background) {
  std::vector<Paint> paints = {{r, grey(255)}};
  const int x0 = r.x, y0 = r.y, x1 = r.x + r.width - 1, y1 = r.y + r.height - 1;
  for (const cv::Point c : {cv::Point(x0, y0), cv::Point(x1, y0), cv::Point(x0, y1), cv::Point(x1, y1)}) {
    const int sx = c.x == x0 ? 1 : -1, sy = c.y == y0 ? 1 : -1;
    for (const cv::Point d : {cv::Point(0, 0), cv::Point(1, 0), cv::Point(0, 1)})
      paints.push_back({{c.x + sx * d.x, c.y + sy * d.y, 1, 1}, background});
  }
  return paints;
}

struct Scene {
  const char* name;
  cv::Size size;
  cv::Scalar background;
  std::vector<Paint> paints;
  cv::Rect region;
  int result;
  cv::Point spot;
};

// Bright scenes: 300 x 300, region (50, 50, 200, 200) whose diagonal is
// y = x. Track scenes: 300 x 250, region (40, 40, 200, 150) whose diagonal
// is y = 0.75 x + 10; a point lies |0.75 x + 10 - y| / 1.25 from it. Their
// red patch of 121 pixels at 200 far outside the band sets the track level
// to 199.
const cv::Size kBright{300, 300}, kTrack{300, 250};
const cv::Rect kSquareRegion{50, 50, 200, 200}, kTrackRegion{40, 40, 200, 150};
const Paint kLevelPatch{block({200, 60}, 11), red(200)};

const Scene kScenes[] = {
    {"one saturated blob", kBright, grey(40), {{block({120, 60}, 4), grey(255)}}, kSquareRegion, 0, {119, 59}},
    {"grey 241", kBright, grey(40), {{block({120, 60}, 4), grey(241)}}, kSquareRegion, 0, {119, 59}},
    {"grey 240", kBright, grey(40), {{block({120, 60}, 4), grey(240)}}, kSquareRegion, -1, {0, 0}},
    {"two saturated, one on the track", kBright, grey(40),
     {{block({150, 150}, 11), grey(255)}, {block({220, 80}, 11), grey(255)}}, kSquareRegion, 0, {150, 150}},
    {"two saturated off the track", kBright, grey(40),
     {{block({220, 80}, 11), grey(255)}, {block({80, 220}, 11), grey(255)}}, kSquareRegion, -1, {0, 0}},
    // Bright blob bounds: area below 1000, box ratio inside (0.33, 3).
    {"bright area 1000", kBright, grey(40), cutBlock({150, 60, 29, 37}, grey(40)), kSquareRegion, -1, {0, 0}},
    {"bright area 972", kBright, grey(40), cutBlock({150, 60, 29, 36}, grey(40)), kSquareRegion, 0, {164, 77}},
    {"bright ratio 3.5 wide", kBright, grey(40), {{{150, 60, 15, 5}, grey(255)}}, kSquareRegion, -1, {0, 0}},
    {"bright ratio 3.5 tall", kBright, grey(40), {{{150, 60, 5, 15}, grey(255)}}, kSquareRegion, -1, {0, 0}},
    {"bright ratio 2.75", kBright, grey(40), {{{150, 60, 12, 5}, grey(255)}}, kSquareRegion, 0, {155, 62}},
    // The track pass takes areas up to 2000; the band trims the block.
    {"track area 1000", kBright, grey(40), cutBlock({136, 132, 29, 37}, grey(40)), kSquareRegion, 0, {150, 150}},
    // A 3 x 3 block opens to a plus whose centroid is its centre pixel.
    {"distance 10", kTrack, red(60), {kLevelPatch, {block({142, 104}, 3), red(255)}}, kTrackRegion, -1, {0, 0}},
    {"distance 9.2", kTrack, red(60), {kLevelPatch, {block({142, 105}, 3), red(255)}}, kTrackRegion, 0, {142, 105}},
    {"second blob outside the band", kTrack, red(60),
     {kLevelPatch, {block({140, 115}, 5), red(255)}, {block({100, 150}, 5), red(255)}}, kTrackRegion, 0, {140, 115}},
    {"no track blob", kTrack, red(60), {kLevelPatch}, kTrackRegion, -1, {0, 0}},
    {"two track blobs", kTrack, red(60),
     {kLevelPatch, {block({80, 70}, 5), red(255)}, {block({200, 160}, 5), red(255)}}, kTrackRegion, -1, {0, 0}},
    // The level is the 101st largest red value minus 1, at most 250.
    {"level 199", kTrack, red(60), {{block({140, 115}, 11), red(200)}}, kTrackRegion, 0, {140, 115}},
    {"101st value 220", kTrack, red(60), {{block({140, 115}, 10), red(255)}, {block({80, 70}, 3), red(220)}},
     kTrackRegion, -1, {0, 0}},
    {"level capped, 251 above", kTrack, red(60), {{block({80, 70}, 11), red(255)}, {block({200, 160}, 5), red(251)}},
     kTrackRegion, -1, {0, 0}},
    {"level capped, 250 not above", kTrack, red(60),
     {{block({80, 70}, 11), red(255)}, {block({200, 160}, 5), red(250)}}, kTrackRegion, 0, {80, 70}},
    // Empty regions, and 100 pixels: too few for the track pass, though a
    // saturated blob is still found.
    {"no width", kBright, grey(40), {}, {10, 10, 0, 20}, -1, {0, 0}},
    {"no height", kBright, grey(40), {}, {10, 10, 20, 0}, -1, {0, 0}},
    {"empty at the corner", kBright, grey(40), {}, {300, 300, 0, 0}, -1, {0, 0}},
    {"100 pixels", kBright, grey(40), {}, {20, 20, 10, 10}, -1, {0, 0}},
    {"100 pixels, saturated blob", kBright, grey(40), {{block({25, 25}, 4), grey(255)}}, {20, 20, 10, 10}, 0, {24, 24}},
};

TEST(RegionLocator, ScenesGiveTheirResultAndSpotWithoutLogging) {
  talmeq::test::LogCapture capture;
  for (const Scene& s : kScenes) {
    cv::Mat image(s.size, CV_8UC3, s.background);
    for (const Paint& p : s.paints) image(p.first).setTo(p.second);
    cv::Point spot(-3, -3);
    EXPECT_EQ(getSpotCoordInRoI(image, s.region, spot), s.result) << s.name;
    EXPECT_EQ(spot, s.spot) << s.name;
  }
  EXPECT_EQ(capture.calls(), 0);
}

// Contrast scenes: 128 x 128 region, one 11 x 12 blob at 255 on the diagonal
// (128 pixels once the opening cuts its corners) and a background whose sum
// over the region is set exactly; both pixel counts are powers of two, so
// both means are exact.
TEST(RegionLocator, TrackBlobMustStandMoreThan30AboveTheRegion) {
  const cv::Rect region(0, 0, 128, 128), blob(59, 59, 11, 12);
  for (const int lessInTotal : {0, 1}) {  // region mean 225 exactly: contrast 30; then just above
    cv::Mat scene(region.size(), CV_8UC3, red(224));
    int extra = 225 * region.area() - 255 * blob.area() - lessInTotal - 224 * (region.area() - blob.area());
    for (int y = 0; y < region.height && extra > 0; ++y)
      for (int x = 0; x < region.width && extra > 0; ++x)
        if (!blob.contains({x, y})) scene.at<cv::Vec3b>(y, x)[2] = 225, --extra;
    scene(blob).setTo(red(255));
    cv::Point spot;
    EXPECT_EQ(getSpotCoordInRoI(scene, region, spot), 0);
    EXPECT_EQ(spot, lessInTotal ? cv::Point(64, 64) : cv::Point(0, 0));
  }
}

TEST(RegionLocator, TrackPassRunsFromARegionOf101Pixels) {
  const cv::Mat scene(300, 300, CV_8UC3, grey(40));
  for (const cv::Rect region : {cv::Rect(20, 20, 1, 101), cv::Rect(20, 20, 101, 1), cv::Rect(20, 20, 1, 100),
                                cv::Rect(20, 20, 10, 10)}) {
    talmeq::region::Trace trace;
    cv::Point spot;
    EXPECT_EQ(talmeq::region::locateInRegion(scene, region, spot, trace), -1);
    EXPECT_EQ(trace.pass == talmeq::region::Pass::kTrack, region.area() >= 101) << region;
  }
}

}  // namespace
