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
#include "spotScenes.h"

namespace {

using namespace talmeq::test;

// A square block of `side` pixels centred on `centre`.
cv::Rect block(cv::Point centre, int side) { return {centre.x - side / 2, centre.y - side / 2, side, side}; }

// A white block whose corners are cut by staircases of two pixels: the
// opening keeps it as it is, and its contour polygon has the area
// (w - 1)(h - 1) - 8.
std::vector<Paint> cutBlock(cv::Rect r) {
  std::vector<Paint> paints = {{r, grey(255)}};
  const cv::Point last = r.br() - cv::Point(1, 1);
  for (const cv::Point c : {r.tl(), cv::Point(last.x, r.y), cv::Point(r.x, last.y), last}) {
    const int sx = c.x == r.x ? 1 : -1, sy = c.y == r.y ? 1 : -1;
    for (const cv::Point d : {cv::Point(0, 0), cv::Point(1, 0), cv::Point(0, 1)})
      paints.push_back({{c.x + sx * d.x, c.y + sy * d.y, 1, 1}, grey(40)});
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

// Bright scenes: 300 x 300 in grey 40, region (50, 50, 200, 200) whose
// diagonal is y = x. Track scenes: 300 x 250 in red 60, region (40, 40, 200,
// 150) whose diagonal is y = 0.75 x + 10; a point lies |0.75 x + 10 - y| /
// 1.25 from it; their red patch of 121 pixels at 200 far outside the band
// sets the track level to 199. Contrast scenes: a 128 x 128 region in red
// 224 and 225 whose sum is set exactly, with an 11 x 12 blob on the diagonal
// (128 pixels once the opening cuts its corners).
const cv::Size kB{300, 300}, kT{300, 250}, kC{128, 128};
const cv::Rect kBright{50, 50, 200, 200}, kTrack{40, 40, 200, 150}, kContrast{0, 0, 128, 128};
const Paint kLevel{block({200, 60}, 11), red(200)}, kBlob{{59, 59, 11, 12}, red(255)};
const cv::Scalar kW = grey(255);

// clang-format off
const Scene kScenes[] = {
    {"one saturated blob", kB, grey(40), {{block({120, 60}, 4), grey(255)}}, kBright, 0, {119, 59}},
    {"grey 241", kB, grey(40), {{block({120, 60}, 4), grey(241)}}, kBright, 0, {119, 59}},
    {"grey 240", kB, grey(40), {{block({120, 60}, 4), grey(240)}}, kBright, -1, {0, 0}},
    {"two saturated, one on the track", kB, grey(40), {{block({150, 150}, 11), kW}, {block({220, 80}, 11), kW}},
     kBright, 0, {150, 150}},
    {"two saturated off the track", kB, grey(40), {{block({220, 80}, 11), kW}, {block({80, 220}, 11), kW}},
     kBright, -1, {0, 0}},
    // Bright blob bounds: area below 1000, box ratio inside (0.33, 3).
    {"bright area 1000", kB, grey(40), cutBlock({150, 60, 29, 37}), kBright, -1, {0, 0}},
    {"bright area 972", kB, grey(40), cutBlock({150, 60, 29, 36}), kBright, 0, {164, 77}},
    {"bright ratio 3.5 wide", kB, grey(40), {{{150, 60, 15, 5}, grey(255)}}, kBright, -1, {0, 0}},
    {"bright ratio 3.5 tall", kB, grey(40), {{{150, 60, 5, 15}, grey(255)}}, kBright, -1, {0, 0}},
    {"bright ratio 2.75", kB, grey(40), {{{150, 60, 12, 5}, grey(255)}}, kBright, 0, {155, 62}},
    // The track pass takes areas up to 2000; the band trims the block.
    {"track area 1000", kB, grey(40), cutBlock({136, 132, 29, 37}), kBright, 0, {150, 150}},
    // A 3 x 3 block opens to a plus whose centroid is its centre pixel.
    {"distance 10", kT, red(60), {kLevel, {block({142, 104}, 3), red(255)}}, kTrack, -1, {0, 0}},
    {"distance 9.2", kT, red(60), {kLevel, {block({142, 105}, 3), red(255)}}, kTrack, 0, {142, 105}},
    {"one outside the band", kT, red(60), {kLevel, {block({140, 115}, 5), red(255)}, {block({100, 150}, 5), red(255)}},
     kTrack, 0, {140, 115}},
    {"no track blob", kT, red(60), {kLevel}, kTrack, -1, {0, 0}},
    {"two track blobs", kT, red(60), {kLevel, {block({80, 70}, 5), red(255)}, {block({200, 160}, 5), red(255)}}, kTrack,
     -1, {0, 0}},
    // The level is the 101st largest red value minus 1, at most 250.
    {"level 199", kT, red(60), {{block({140, 115}, 11), red(200)}}, kTrack, 0, {140, 115}},
    {"101st: 220", kT, red(60), {{block({140, 115}, 10), red(255)}, {block({80, 70}, 3), red(220)}}, kTrack, -1, {}},
    {"251 above", kT, red(60), {{block({80, 70}, 11), red(255)}, {block({200, 160}, 5), red(251)}}, kTrack, -1, {}},
    {"250 not", kT, red(60), {{block({80, 70}, 11), red(255)}, {block({200, 160}, 5), red(250)}}, kTrack, 0, {80, 70}},
    // The blob must stand more than 30 above the region's mean; exactly 30
    // gives 0 without a spot.
    {"contrast 30", kC, red(224), {{{0, 0, 128, 97}, red(225)}, {{0, 97, 8, 1}, red(225)}, kBlob},
     kContrast, 0, {0, 0}},
    {"contrast above 30", kC, red(224), {{{0, 0, 128, 97}, red(225)}, {{0, 97, 7, 1}, red(225)}, kBlob},
     kContrast, 0, {64, 64}},
    // Empty regions, and 100 pixels: too few for the track pass, though a
    // saturated blob is still found.
    {"no width", kB, grey(40), {}, {10, 10, 0, 20}, -1, {0, 0}},
    {"no height", kB, grey(40), {}, {10, 10, 20, 0}, -1, {0, 0}},
    {"empty at the corner", kB, grey(40), {}, {300, 300, 0, 0}, -1, {0, 0}},
    {"100 pixels", kB, grey(40), {}, {20, 20, 10, 10}, -1, {0, 0}},
    {"100 pixels, saturated", kB, grey(40), {{block({25, 25}, 4), grey(255)}}, {20, 20, 10, 10}, 0, {24, 24}},
};
// clang-format on

TEST(RegionLocator, ScenesGiveTheirResultAndSpotWithoutLogging) {
  LogCapture capture;
  for (const Scene& s : kScenes) {
    cv::Point spot(-3, -3);
    EXPECT_EQ(talmeq::detail::getSpotCoordInRoI(sceneOf(s.size, s.background, s.paints), s.region, spot), s.result)
        << s.name;
    EXPECT_EQ(spot, s.spot) << s.name;
  }
  EXPECT_EQ(capture.calls(), 0);
}

TEST(RegionLocator, TrackPassRunsFromARegionOf101Pixels) {
  for (const cv::Rect region : {cv::Rect(20, 20, 1, 101), {20, 20, 101, 1}, {20, 20, 1, 100}, {20, 20, 10, 10}}) {
    talmeq::detail::region::Trace trace;
    cv::Point spot;
    EXPECT_EQ(talmeq::detail::region::locateInRegion(sceneOf({300, 300}, grey(40), {}), region, spot, trace), -1);
    EXPECT_EQ(trace.pass == talmeq::detail::region::Pass::kTrack, region.area() >= 101) << region;
  }
}

}  // namespace
