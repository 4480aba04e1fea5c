// getSpotCoordInRoI against the whole-frame reading of the same steps, on
// seeded synthetic frames with regions anywhere: touching the frame's edges,
// tiny (1 x 1, 10 x 10, 100 and 101 pixels), thin, as large as the frame;
// with one saturated spot, two, red track spots on and off the diagonal,
// faint ones whose contrast is close to 30, clutter, noise and blobs that
// cross the region's edges. Both must agree on the result code, the spot
// and any OpenCV error. The band drawn on the region-sized canvas is checked
// pixel for pixel against the full-size mask, and the height measurement
// through both locators must give the same heights.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include <cstdio>
#include <string>

#include "calibrationFiles.h"
#include "literalRegionLocator.h"
#include "regionLocation.h"
#include "seededFrames.h"
#include "spotFrames.h"

namespace {

using talmeq::sim::FrameRecipe;
using talmeq::sim::Spot;
using talmeq::test::addClutter;
using talmeq::test::pointIn;
using Locator = int (*)(cv::Mat, cv::Rect, cv::Point&);

constexpr int kSeededCases = 2400;
constexpr int kMinCasesPerOutcome = 60;  // each outcome must be exercised this often
constexpr int kMeasuredFrames = 150;

struct Outcome {
  bool threw = false;
  int result = 0;
  cv::Point spot{-7, -7};
};

Outcome run(Locator locate, const cv::Mat& image, cv::Rect roi) {
  Outcome outcome;
  try {
    outcome.result = locate(image, roi, outcome.spot);
  } catch (const cv::Exception&) {
    outcome.threw = true;
  }
  return outcome;
}

void expectSame(const Outcome& literal, const Outcome& bounded, const std::string& label) {
  EXPECT_EQ(bounded.threw, literal.threw) << label;
  EXPECT_EQ(bounded.result, literal.result) << label;
  EXPECT_EQ(bounded.spot, literal.spot) << label;
}

// --- regions ----------------------------------------------------------------

int between(cv::RNG& rng, int lo, int hi) { return lo >= hi ? lo : rng.uniform(lo, hi + 1); }

// A region of the given size at a random place, pushed against one of the
// frame's edges or corners one time in two.
cv::Rect placed(cv::RNG& rng, cv::Size frame, cv::Size size) {
  size.width = std::min(size.width, frame.width);
  size.height = std::min(size.height, frame.height);
  int x = between(rng, 0, frame.width - size.width), y = between(rng, 0, frame.height - size.height);
  if (rng.uniform(0, 2)) {
    const int edges = rng.uniform(1, 16);  // bit set of left, right, top, bottom
    if (edges & 1) x = 0;
    if (edges & 2) x = frame.width - size.width;
    if (edges & 4) y = 0;
    if (edges & 8) y = frame.height - size.height;
  }
  return {x, y, size.width, size.height};
}

cv::Rect randomRegion(cv::RNG& rng, cv::Size frame, int seed) {
  switch (seed % 8) {
    case 0: return placed(rng, frame, {1, 1});
    case 1: {
      const cv::Size tiny[] = {{10, 10}, {1, 101}, {101, 1}, {10, 11}, {10, 10}, {11, 10}, {1, 100}};
      return placed(rng, frame, tiny[rng.uniform(0, 7)]);
    }
    case 2: return placed(rng, frame, rng.uniform(0, 2) ? cv::Size(between(rng, 1, 4), between(rng, 30, 600))
                                                      : cv::Size(between(rng, 30, 600), between(rng, 1, 4)));
    case 3: return {0, 0, frame.width, frame.height};
    default: return placed(rng, frame, {between(rng, 20, 450), between(rng, 20, 450)});
  }
}

// A region not inside the frame: negative, past an edge, or overflowing.
cv::Rect outsideRegion(cv::RNG& rng, cv::Size frame) {
  switch (rng.uniform(0, 4)) {
    case 0: return {-1, 0, 10, 10};
    case 1: return {frame.width - 5, 0, 6, 4};
    case 2: return {0, 0, 4, -2};
    default: return {INT_MAX - 2, 0, 10, 10};
  }
}

// --- frame content ----------------------------------------------------------

// A point near the region's diagonal, up to `spread` pixels across it.
cv::Point2d nearDiagonal(cv::RNG& rng, cv::Rect r, double spread) {
  const double t = rng.uniform(0.0, 1.0);
  return {r.x + t * r.width + rng.uniform(-spread, spread), r.y + t * r.height + rng.uniform(-spread, spread)};
}

Spot saturatedSpot(cv::RNG& rng, cv::Point2d centre) {
  Spot spot;
  spot.centre = centre;
  spot.sigma = rng.uniform(0.7, 6.0);
  spot.peak = rng.uniform(400.0, 1600.0);
  return spot;
}

// Red only: its grey value stays far below 240, so only the track pass sees
// it. `peak` near the background gives contrasts around 30.
Spot redSpot(cv::RNG& rng, cv::Point2d centre, double peak) {
  Spot spot;
  spot.centre = centre;
  spot.sigma = rng.uniform(1.5, 7.0);
  spot.peak = peak;
  spot.green = rng.uniform(0.0, 0.2);
  spot.blue = rng.uniform(0.0, 0.2);
  return spot;
}

cv::Size randomFrameSize(cv::RNG& rng) {
  const int kind = rng.uniform(0, 20);
  if (kind == 0) return {rng.uniform(1200, 1700), rng.uniform(900, 1300)};
  if (kind < 6) return {rng.uniform(1, 40), rng.uniform(1, 40)};
  return {rng.uniform(40, 800), rng.uniform(40, 600)};
}

struct Case {
  cv::Mat image;
  cv::Rect roi;
  std::string label;
};

Case seededCase(int seed) {
  cv::RNG rng(static_cast<std::uint64_t>(seed) * 7919 + 3);
  const cv::Size size = randomFrameSize(rng);
  FrameRecipe recipe = talmeq::test::randomBackground(rng, size, seed, 120.0);
  Case c;
  c.roi = seed % 97 == 0 ? outsideRegion(rng, recipe.size) : randomRegion(rng, recipe.size, seed / 11);
  const cv::Rect inside = c.roi & cv::Rect(cv::Point(0, 0), recipe.size);
  const cv::Rect r = inside.empty() ? cv::Rect(0, 0, recipe.size.width, recipe.size.height) : inside;
  const int kind = seed % 10;
  // Blobs on the region's edges are cut by it.
  const auto onRegionEdge = [&](cv::Rect r) {
    return talmeq::test::pointOnEdge(rng, cv::Rect2d(r.x, r.y, r.width - 1, r.height - 1));
  };
  const char* names[] = {"bright spot", "two bright blobs", "track spot", "faint track spot", "two track spots",
                         "clutter", "noise", "region edge", "bright and track", "empty"};
  switch (kind) {
    case 0: recipe.spots = {saturatedSpot(rng, pointIn(rng, r))}; break;
    case 1: recipe.spots = {saturatedSpot(rng, pointIn(rng, r)), saturatedSpot(rng, pointIn(rng, r))}; break;
    case 2: recipe.spots = {redSpot(rng, nearDiagonal(rng, r, 16.0), rng.uniform(150.0, 900.0))}; break;
    case 3: recipe.spots = {redSpot(rng, nearDiagonal(rng, r, 6.0), recipe.background + rng.uniform(20.0, 60.0))}; break;
    case 4:
      recipe.spots = {redSpot(rng, nearDiagonal(rng, r, 12.0), rng.uniform(150.0, 600.0)),
                    redSpot(rng, nearDiagonal(rng, r, 12.0), rng.uniform(150.0, 600.0))};
      break;
    case 6: recipe.noise = rng.uniform(10.0, 40.0); recipe.speckles = rng.uniform(0, 60); break;
    case 7:
      recipe.spots = {rng.uniform(0, 2) ? saturatedSpot(rng, onRegionEdge(r))
                                      : redSpot(rng, onRegionEdge(r), rng.uniform(150.0, 600.0))};
      break;
    case 8:
      recipe.spots = {saturatedSpot(rng, pointIn(rng, r)), saturatedSpot(rng, pointIn(rng, r)),
                    redSpot(rng, nearDiagonal(rng, r, 8.0), rng.uniform(150.0, 600.0))};
      break;
    default: break;
  }
  if (rng.uniform(0, 4) == 0)
    recipe.ambient = {{pointIn(rng, r), rng.uniform(3.0, 30.0), rng.uniform(30.0, 200.0)}};
  c.image = talmeq::sim::renderSpotFrame(recipe);
  if (kind == 5) addClutter(c.image, rng, r, rng.uniform(1, 30));
  std::string label = names[kind];
  if (seed % 17 == 0) {
    cv::cvtColor(c.image, c.image, cv::COLOR_BGR2BGRA);
    label += ", BGRA";
  } else if (seed % 19 == 0) {
    c.image = talmeq::test::viewInLargerImage(c.image, cv::Scalar(255, 255, 255));
    label += ", view in a white frame";
  }
  c.label = label + ", frame " + std::to_string(c.image.cols) + "x" + std::to_string(c.image.rows) + ", region " +
            std::to_string(c.roi.x) + "," + std::to_string(c.roi.y) + " " + std::to_string(c.roi.width) + "x" +
            std::to_string(c.roi.height) + ", seed " + std::to_string(seed);
  return c;
}

// --- tests ------------------------------------------------------------------

TEST(RegionLocatorDifferential, RegionBoundedLocatorMatchesTheWholeFrameReading) {
  int found = 0, faint = 0, none = 0, errors = 0;
  for (int seed = 1; seed <= kSeededCases; ++seed) {
    const Case c = seededCase(seed);
    const Outcome literal = run(talmeq::test::literalGetSpotCoordInRoI, c.image, c.roi);
    expectSame(literal, run(getSpotCoordInRoI, c.image, c.roi), c.label);
    if (HasFailure()) break;  // one mismatch tells all; keep the output readable
    if (literal.threw) ++errors;
    else if (literal.result != 0) ++none;
    else ++(literal.spot == cv::Point(0, 0) ? faint : found);
  }
  std::printf("region differential: %d found, %d faint, %d none, %d errors\n", found, faint, none, errors);
  EXPECT_GE(found, kMinCasesPerOutcome);
  EXPECT_GE(faint, kMinCasesPerOutcome / 4);  // one blob, contrast 30 or less: the rarest outcome
  EXPECT_GE(none, kMinCasesPerOutcome);
  EXPECT_GE(errors, kSeededCases / 97);
}

TEST(RegionLocatorDifferential, BandOnTheRegionCanvasEqualsTheFullSizeMask) {
  cv::RNG rng(41);
  for (int i = 0; i < 3000; ++i) {
    const cv::Size frame(rng.uniform(1, 300), rng.uniform(1, 300));
    const cv::Rect roi = i % 3 == 0 ? placed(rng, frame, {rng.uniform(1, 8), rng.uniform(1, 8)})
                                    : placed(rng, frame, {rng.uniform(1, 300), rng.uniform(1, 300)});
    cv::Mat full = cv::Mat::zeros(frame, CV_8UC1);
    cv::line(full, roi.tl(), roi.br(), cv::Scalar(255), talmeq::region::kBandThickness, cv::LINE_8, 0);
    const cv::Mat band = talmeq::region::trackBand(frame, roi);
    ASSERT_EQ(band.size(), roi.size());
    ASSERT_EQ(cv::norm(band, full(roi), cv::NORM_INF), 0.0)
        << "frame " << frame << ", region " << roi;
  }
}

struct Measurement {
  bool threw = false;
  int result = 1;
  double height = -1.0, axisZ = -1.0;
};

template <class Measure>
Measurement measureThrough(Measure measure, const cv::Mat& image, const std::string& path) {
  Measurement m;
  try {
    m.result = measure(image, path, m.height, m.axisZ);
  } catch (const cv::Exception&) {
    m.threw = true;
  }
  return m;
}

TEST(RegionLocatorDifferential, PlaneHeightIsTheSameThroughBothLocators) {
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("calibration.yml");
  int measured = 0;
  for (int seed = 1; seed <= kMeasuredFrames; ++seed) {
    const Case c = seededCase(seed * 10 + seed % 10);  // every content kind
    cv::RNG rng(seed);
    const double k = rng.uniform(0.5, 2.0), offsetX = rng.uniform(-3.0, 3.0), offsetY = rng.uniform(-3.0, 3.0);
    ASSERT_TRUE(talmeq::writeCalibration(path, {k, -3.0, c.image.cols / 2.0, c.image.rows / 2.0, 0.05, 300.0,
                                                -16.0, 0.5, c.roi, offsetX, offsetY}));
    const Measurement literal = measureThrough(talmeq::test::literalGetPlaneHeightByLinear, c.image, path);
    const Measurement bounded = measureThrough(getPlaneHeightByLinear, c.image, path);
    EXPECT_EQ(bounded.threw, literal.threw) << c.label;
    EXPECT_EQ(bounded.result, literal.result) << c.label;
    EXPECT_EQ(bounded.height, literal.height) << c.label;  // bit-identical, -1 where neither wrote
    EXPECT_EQ(bounded.axisZ, literal.axisZ) << c.label;
    if (!bounded.threw && (bounded.result == 0 || bounded.result == -3)) ++measured;
  }
  EXPECT_GE(measured, kMeasuredFrames / 10);  // most frames end with -1 or a faint blob
}

TEST(RegionLocatorDifferential, ResultsDoNotDependOnTheOpenCvThreadCount) {
  for (int seed = 1; seed <= 40; ++seed) {
    cv::RNG rng(seed);
    FrameRecipe recipe;
    recipe.size = {1600, 1200};
    recipe.seed = static_cast<std::uint64_t>(seed);
    recipe.noise = 8.0;
    const cv::Rect roi = placed(rng, recipe.size, {between(rng, 200, 900), between(rng, 200, 900)});
    recipe.spots = {seed % 2 ? saturatedSpot(rng, nearDiagonal(rng, roi, 5.0))
                           : redSpot(rng, nearDiagonal(rng, roi, 5.0), rng.uniform(150.0, 600.0))};
    cv::Mat image = talmeq::sim::renderSpotFrame(recipe);
    addClutter(image, rng, roi, 20);
    const auto [single, parallel] =
        talmeq::test::onOneThreadThenAll([&] { return run(getSpotCoordInRoI, image, roi); });
    const std::string label = "seed " + std::to_string(seed);
    expectSame(single, parallel, label);
    expectSame(run(talmeq::test::literalGetSpotCoordInRoI, image, roi), parallel, label);
  }
}

}  // namespace
