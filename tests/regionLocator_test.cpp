// getSpotCoordInRoI on hand-built scenes: the bright-spot pass, the fall
// through to the track pass, the track band and its distance limit, the
// track level, the contrast rule and the blob count.
//
// Track scenes paint red-only pixels: their grey value stays far below the
// saturation threshold, so only the track pass can see them.
#include <gtest/gtest.h>

#include <talmeqInternal.h>

#include "logCapture.h"
#include "spotScenes.h"

namespace {

using talmeq::test::flatScene;
using talmeq::test::paint;

struct Located {
  int result;
  cv::Point spot;
};

Located locate(const cv::Mat& image, cv::Rect roi) {
  Located l{0, cv::Point(-3, -3)};
  l.result = getSpotCoordInRoI(image, roi, l.spot);
  return l;
}

void paintRed(cv::Mat& scene, cv::Rect r, int red) { scene(r).setTo(cv::Scalar(0, 0, red)); }

// A square block of `side` pixels centred on `centre`.
cv::Rect block(cv::Point centre, int side) { return {centre.x - side / 2, centre.y - side / 2, side, side}; }

// Scene for the bright pass: 300 x 300, region (50, 50, 200, 200), whose
// diagonal is y = x.
const cv::Rect kSquareRegion{50, 50, 200, 200};

TEST(RegionLocatorBrightPass, SingleSaturatedBlobGivesItsTruncatedCentroid) {
  cv::Mat scene = flatScene({300, 300}, 40);
  paint(scene, block({120, 60}, 4), 255);  // far from the diagonal: the track pass could not find it
  const Located l = locate(scene, kSquareRegion);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.spot, cv::Point(119, 59));  // centroid 119.5, 59.5 truncated
}

TEST(RegionLocatorBrightPass, TwoSaturatedBlobsFallThroughToTheTrackPass) {
  cv::Mat scene = flatScene({300, 300}, 40);
  paint(scene, block({150, 150}, 11), 255);  // on the diagonal
  paint(scene, block({220, 80}, 11), 255);   // far off it, outside the band
  const Located l = locate(scene, kSquareRegion);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.spot, cv::Point(150, 150));
  // Without the blob on the diagonal the track pass finds nothing.
  cv::Mat offTrack = flatScene({300, 300}, 40);
  paint(offTrack, block({220, 80}, 11), 255);
  paint(offTrack, block({80, 220}, 11), 255);
  EXPECT_EQ(locate(offTrack, kSquareRegion).result, -1);
}

// A block of w x h pixels whose corners are cut by staircases of two pixels;
// the opening keeps it as it is, and its contour polygon has the area
// (w - 1)(h - 1) - 8.
void paintCutBlock(cv::Mat& scene, cv::Rect r) {
  paint(scene, r, 255);
  const int x0 = r.x, y0 = r.y, x1 = r.x + r.width - 1, y1 = r.y + r.height - 1;
  for (const cv::Point& c : {cv::Point(x0, y0), cv::Point(x1, y0), cv::Point(x0, y1), cv::Point(x1, y1)}) {
    const int sx = c.x == x0 ? 1 : -1, sy = c.y == y0 ? 1 : -1;
    for (const cv::Point& d : {cv::Point(0, 0), cv::Point(1, 0), cv::Point(0, 1)})
      scene.at<cv::Vec3b>(c.y + sy * d.y, c.x + sx * d.x) = cv::Vec3b(40, 40, 40);
  }
}

TEST(RegionLocatorBrightPass, AreaLimitIsExclusiveAt1000) {
  // Off the diagonal, so only the bright pass can find it.
  cv::Mat atLimit = flatScene({300, 300}, 40);
  paintCutBlock(atLimit, {150, 60, 29, 37});  // 28 x 36 - 8 = 1000
  EXPECT_EQ(locate(atLimit, kSquareRegion).result, -1);
  cv::Mat below = flatScene({300, 300}, 40);
  paintCutBlock(below, {150, 60, 29, 36});    // 28 x 35 - 8 = 972
  const Located l = locate(below, kSquareRegion);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.spot, cv::Point(164, 77));
}

TEST(RegionLocatorTrackPass, AcceptsAnAreaThatTheBrightPassRejects) {
  cv::Mat scene = flatScene({300, 300}, 40);
  paintCutBlock(scene, {136, 132, 29, 37});  // area 1000, centred on the diagonal at (150, 150)
  const Located l = locate(scene, kSquareRegion);
  EXPECT_EQ(l.result, 0);
  EXPECT_LE(cv::norm(l.spot - cv::Point(150, 150)), 2.0);  // the band trims the block symmetrically
}

// Track scenes: 300 x 250, region (40, 40, 200, 150): the diagonal is
// y = 0.75 x + 10, and a point's distance from it is |0.75 x + 10 - y| / 1.25.
// A red patch of 121 pixels at 200, far outside the band, sets the level to
// 199 so that only the test blobs stand above it.
const cv::Rect kTrackRegion{40, 40, 200, 150};

cv::Mat trackScene() {
  cv::Mat scene(250, 300, CV_8UC3, cv::Scalar(0, 0, 60));
  paintRed(scene, block({200, 60}, 11), 200);
  return scene;
}

TEST(RegionLocatorTrackPass, OneBlobInTheBandCloserThan10ToTheDiagonal) {
  struct Blob { cv::Point centre; int side; };
  struct TrackCase {
    std::vector<Blob> blobs;  // red blocks at 255
    int result;
    cv::Point spot;
  };
  const TrackCase cases[] = {
      // A 3 x 3 block opens to a plus whose centroid is its centre pixel.
      {{{{142, 104}, 3}}, -1, {0, 0}},     // distance |106.5 + 10 - 104| / 1.25 = 10
      {{{{142, 105}, 3}}, 0, {142, 105}},  // distance 9.2
      // The second block lies 52 pixels off the diagonal: cut away by the band.
      {{{{140, 115}, 5}, {{100, 150}, 5}}, 0, {140, 115}},
      {{}, -1, {0, 0}},  // no blob
      {{{{80, 70}, 5}, {{200, 160}, 5}}, -1, {0, 0}},  // two blobs
  };
  for (const TrackCase& c : cases) {
    cv::Mat scene = trackScene();
    for (const Blob& b : c.blobs) paintRed(scene, block(b.centre, b.side), 255);
    const Located l = locate(scene, kTrackRegion);
    EXPECT_EQ(l.result, c.result) << c.blobs.size();
    EXPECT_EQ(l.spot, c.spot) << c.blobs.size();
  }
}

TEST(RegionLocatorTrackPass, LevelIsThe101stLargestValueMinus1CappedAt250) {
  // 121 pixels at 200 on the diagonal: the level 199 keeps them.
  cv::Mat at200(250, 300, CV_8UC3, cv::Scalar(0, 0, 60));
  paintRed(at200, block({140, 115}, 11), 200);
  EXPECT_EQ(locate(at200, kTrackRegion).result, 0);
  // 121 pixels at 255: the level is capped at 250, so a second blob at 252
  // also stands above it and the track pass ends with two blobs.
  cv::Mat capped(250, 300, CV_8UC3, cv::Scalar(0, 0, 60));
  paintRed(capped, block({80, 70}, 11), 255);
  paintRed(capped, block({200, 160}, 5), 252);
  EXPECT_EQ(locate(capped, kTrackRegion).result, -1);
  paintRed(capped, block({200, 160}, 5), 250);  // at the level itself: not above it
  EXPECT_EQ(locate(capped, kTrackRegion).spot, cv::Point(80, 70));
}

// Contrast scenes: 128 x 128 region, one 11 x 12 blob at 255 on the diagonal
// (128 pixels once the opening cuts its corners) and a background whose sum
// over the region is set exactly. Both pixel counts are powers of two, so
// both means are exact.
const cv::Rect kContrastBlob{59, 59, 11, 12};
cv::Mat contrastScene(int backgroundSum) {
  const cv::Rect region(0, 0, 128, 128);
  cv::Mat scene(region.size(), CV_8UC3, cv::Scalar(0, 0, 224));
  const cv::Rect blob = kContrastBlob;
  int extra = backgroundSum - 224 * (region.area() - blob.area());
  for (int y = 0; y < region.height && extra > 0; ++y)
    for (int x = 0; x < region.width && extra > 0; ++x)
      if (!blob.contains({x, y})) {
        scene.at<cv::Vec3b>(y, x)[2] = 225;
        --extra;
      }
  paintRed(scene, blob, 255);
  return scene;
}

TEST(RegionLocatorTrackPass, ContrastMustExceed30) {
  const int pixels = 128 * 128, blob = kContrastBlob.area();
  // Region mean exactly 225: the blob stands exactly 30 above it.
  const Located atLimit = locate(contrastScene(225 * pixels - 255 * blob), {0, 0, 128, 128});
  EXPECT_EQ(atLimit.result, 0);
  EXPECT_EQ(atLimit.spot, cv::Point(0, 0));
  // One grey level less in total: the contrast is just above 30.
  const Located above = locate(contrastScene(225 * pixels - 255 * blob - 1), {0, 0, 128, 128});
  EXPECT_EQ(above.result, 0);
  EXPECT_EQ(above.spot, cv::Point(64, 64));
}

TEST(RegionLocatorRegions, EmptyOrTooSmallRegionsGiveMinus1) {
  cv::Mat scene = flatScene({100, 100}, 40);
  EXPECT_EQ(locate(scene, {10, 10, 0, 20}).result, -1);
  EXPECT_EQ(locate(scene, {10, 10, 20, 0}).result, -1);
  EXPECT_EQ(locate(scene, {100, 100, 0, 0}).result, -1);
  // 10 x 10 = 100 pixels: too few for the track pass; a saturated blob is still found.
  EXPECT_EQ(locate(scene, {20, 20, 10, 10}).result, -1);
  paint(scene, block({25, 25}, 4), 255);
  EXPECT_EQ(locate(scene, {20, 20, 10, 10}).spot, cv::Point(24, 24));
}

TEST(RegionLocatorRegions, LogsNothing) {
  talmeq::test::LogCapture capture;
  cv::Mat scene = flatScene({300, 300}, 40);
  locate(scene, kSquareRegion);
  paint(scene, block({120, 60}, 4), 255);
  locate(scene, kSquareRegion);
  EXPECT_TRUE(capture.entries().empty());
  EXPECT_EQ(capture.calls(), 0);
}

}  // namespace
