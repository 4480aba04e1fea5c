// The library's windowed spot detector and region-bounded locator against
// their whole-frame readings (tests/oracle), on frames from one seeded
// generator: frames from 1 x 1 pixel up, so that every filter margin meets
// the border; spots of every brightness class in the detection window, on
// its edges and none; ambient light, noise and clutter that the closings
// join across the window's edges; saturated and red track spots, faint or
// not, along a search region that is tiny, thin, as large as the frame or
// pushed against its edges; four-channel frames and views into larger
// images. The detector must agree on the result, the spot and every
// message, the locator on the result, the spot and any OpenCV error. Frames
// with one spot of known centre also check the detector's accuracy.
#include <gtest/gtest.h>
#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include <opencv2/imgproc.hpp>
#include <optional>

#include "literalRegionLocator.h"
#include "literalSpotDetector.h"
#include "logCapture.h"
#include "regionLocation.h"
#include "spotFrames.h"

namespace {

using talmeq::sim::Spot;

constexpr int kSeeds = 1000;

cv::Point2d pointIn(cv::RNG& rng, cv::Rect2d r) { return {rng.uniform(r.x, r.br().x), rng.uniform(r.y, r.br().y)}; }

cv::Point2d pointOnEdge(cv::RNG& rng, cv::Rect2d r) {
  const cv::Point2d p = pointIn(rng, r), onEdge[] = {{r.x, p.y}, {r.br().x, p.y}, {p.x, r.y}, {p.x, r.br().y}};
  return onEdge[rng.uniform(0, 4)];
}

int upTo(cv::RNG& rng, int hi) { return rng.uniform(0, std::max(hi, 0) + 1); }

// Saturated, bright or dim (red), or red only (seen by the track pass alone).
Spot randomSpot(cv::RNG& rng, cv::Point2d centre, int kind) {
  const double peaks[][2] = {{600, 1500}, {300, 520}, {70, 160}, {150, 900}};
  Spot spot{centre, rng.uniform(0.8, 6.0), rng.uniform(peaks[kind][0], peaks[kind][1]), 0.7, 0.6};
  if (kind >= 2) spot.green = rng.uniform(0.0, 0.3), spot.blue = rng.uniform(0.0, 0.3);
  return spot;
}

// A region of a size that decides the passes, pushed against the frame's
// edges one time in two; every 97th lies outside the frame.
cv::Rect regionIn(cv::RNG& rng, cv::Size frame, int seed) {
  if (seed % 97 == 0) return {frame.width - 5, -1 + seed % 2, 6 + seed % 3, 4};
  const cv::Size sizes[] = {{1, 1},
                            {10, 10},
                            {1, 101},
                            {101, 1},
                            {10, 11},
                            {1, 100},
                            {rng.uniform(1, 5), 300},
                            frame,
                            {rng.uniform(20, 450), rng.uniform(20, 450)}};
  const cv::Size wanted = sizes[std::min(rng.uniform(0, 12), 8)];
  const cv::Size size(std::min(wanted.width, frame.width), std::min(wanted.height, frame.height));
  cv::Rect region(upTo(rng, frame.width - size.width), upTo(rng, frame.height - size.height), size.width, size.height);
  const int edges = rng.uniform(0, 2) ? rng.uniform(1, 16) : 0;  // bit set of left, right, top, bottom
  if (edges & 1) region.x = 0;
  if (edges & 2) region.x = frame.width - size.width;
  if (edges & 4) region.y = 0;
  if (edges & 8) region.y = frame.height - size.height;
  return region;
}

struct Frame {
  cv::Mat image;
  cv::Rect region;
  std::optional<cv::Point2d> truth;  // the centre of the only spot, when known
  std::string label;
};

Frame seededFrame(int seed) {
  cv::RNG rng(static_cast<std::uint64_t>(seed) * 104729 + 7);
  talmeq::sim::FrameRecipe recipe = talmeq::sim::randomSpotFrame(seed);  // one spot clear of the window's edges
  Frame frame{{}, {}, recipe.spots[0].centre, "one spot"};
  const int kind = seed % 8;
  if (kind > 0) {
    const int size = rng.uniform(0, 10);
    recipe.size = size < 2 ? cv::Size(rng.uniform(1, 45), rng.uniform(1, 45))
                           : cv::Size(rng.uniform(12, size < 7 ? 400 : 900), rng.uniform(14, size < 7 ? 400 : 800));
    recipe.background = rng.uniform(5.0, 110.0), recipe.gradient = rng.uniform(-20.0, 40.0);
    recipe.noise = kind == 7 ? rng.uniform(10.0, 40.0) : rng.uniform(0.5, 4.0);
    recipe.speckles = kind == 7 ? rng.uniform(0, 60) : 0;
    recipe.spots.clear();
    frame.truth.reset();
  }
  const cv::Size frameSize = recipe.size;
  frame.region = regionIn(rng, frameSize, seed);
  const cv::Rect2d window(frameSize.width * 0.35, frameSize.height * 0.45, frameSize.width * 0.35,
                          frameSize.height * 0.3);
  const cv::Rect2d along(frame.region.x, frame.region.y, frame.region.width - 1, frame.region.height - 1);
  const char* names[] = {"one spot",
                         "spots in the window",
                         "spots on its edges",
                         "ambient and clutter",
                         "saturated in the region",
                         "track spots",
                         "faint track spots",
                         "noise"};
  frame.label = names[kind];
  for (int i = kind >= 1 && kind <= 6 ? rng.uniform(1, 4) : 0; i > 0; --i) {
    const double t = rng.uniform(0.0, 1.0), spread = rng.uniform(0.0, 12.0);
    const cv::Point2d diagonal(along.x + t * along.width + rng.uniform(-spread, spread),
                               along.y + t * along.height + rng.uniform(-spread, spread));
    switch (kind) {
      case 1:
      case 3:
        recipe.spots.push_back(randomSpot(rng, pointIn(rng, window), rng.uniform(0, 3)));
        break;
      case 2:
        recipe.spots.push_back(randomSpot(rng, pointOnEdge(rng, window), rng.uniform(0, 3)));
        break;
      case 4:
        recipe.spots.push_back(randomSpot(rng, rng.uniform(0, 2) ? pointOnEdge(rng, along) : diagonal, 0));
        break;
      case 5:
        recipe.spots.push_back(randomSpot(rng, rng.uniform(0, 3) ? diagonal : pointOnEdge(rng, along), 3));
        break;
      default:  // faint: contrasts around 30
        recipe.spots.push_back(randomSpot(rng, diagonal, 3));
        recipe.spots.back().peak = recipe.background + rng.uniform(20.0, 60.0);
    }
    if (kind == 3) recipe.ambient.push_back({pointIn(rng, window), rng.uniform(3.0, 25.0), rng.uniform(30.0, 200.0)});
  }
  frame.image = talmeq::sim::renderSpotFrame(recipe);
  for (int i = kind == 3 ? rng.uniform(1, 30) : 0; i > 0; --i) {  // red and white strokes and blocks, anywhere
    const int level = rng.uniform(90, 256), other = rng.uniform(0, 2) ? level : rng.uniform(0, 60);
    const cv::Point a(rng.uniform(-0.1, 1.1) * frameSize.width, rng.uniform(-0.1, 1.1) * frameSize.height);
    const cv::Scalar colour(other, other, level);
    if (rng.uniform(0, 2))
      cv::line(frame.image, a, a + cv::Point(rng.uniform(-60, 61), rng.uniform(-60, 61)), colour, rng.uniform(1, 4));
    else
      cv::rectangle(frame.image, {a, cv::Size(rng.uniform(1, 12), rng.uniform(1, 12))}, colour, cv::FILLED);
  }
  if (seed % 11 == 0) {
    cv::cvtColor(frame.image, frame.image, cv::COLOR_BGR2BGRA);
    frame.label += ", BGRA";
  } else if (seed % 13 == 0) {  // filters that look past the view would see the surround
    cv::Mat parent(frameSize + cv::Size(60, 40), CV_8UC3, seed % 2 ? cv::Scalar(0, 0, 255) : cv::Scalar::all(255));
    frame.image.copyTo(parent(cv::Rect({30, 20}, frameSize)));
    frame.image = parent(cv::Rect({30, 20}, frameSize));
    frame.label += ", view";
  }
  std::ostringstream where;
  where << ", frame " << frameSize << ", region " << frame.region << ", seed " << seed;
  frame.label += where.str();
  return frame;
}

// The result, the spot and every message (failure records without their
// source location) of a detector.
template <class Detector>
std::string detect(Detector detector, const cv::Mat& image) {
  talmeq::test::LogCapture capture;
  cv::Point spot(-1, -1);
  std::ostringstream seen;
  seen << detector(image, spot) << spot;
  for (const talmeq::test::LogEntry& e : capture.entries())
    seen << '\n' << e.stream << ": " << (e.error ? e.text.substr(0, e.text.find(" at ")) : e.text);
  return seen.str();
}

// The result and the spot of a region locator, or OpenCV's error.
template <class Locator>
std::string locate(Locator locator, const cv::Mat& image, cv::Rect region) {
  cv::Point spot(-7, -7);
  try {
    const int result = locator(image, region, spot);
    return std::to_string(result) + (result ? " none" : spot == cv::Point() ? " too faint" : " found");
  } catch (const cv::Exception&) {
    return "cv::Exception";
  }
}

TEST(Differential, LibraryMatchesTheWholeFrameReadingsOnSeededFrames) {
  std::map<std::string, int> seen;
  for (int seed = 1; seed <= kSeeds && !HasFailure(); ++seed) {
    const Frame frame = seededFrame(seed);
    const std::string literal = detect(talmeq::test::literalGetSpotCoord, frame.image);
    EXPECT_EQ(detect(getSpotCoord, frame.image), literal) << frame.label;
    const bool found = literal[0] == '0';
    ++seen[found ? "spot found" : "no spot"];
    if (literal.find("best gray thr") != std::string::npos)
      ++seen[literal.find("best gray thr = 2") != std::string::npos ? "bright" : "dim"];
    cv::Point spot;
    if (frame.truth && std::sscanf(literal.c_str(), "0[%d, %d]", &spot.x, &spot.y) == 2) {
      EXPECT_LT(std::max(std::abs(spot.x - frame.truth->x), std::abs(spot.y - frame.truth->y)), 1.5) << frame.label;
      ++seen["true spot found"];
    }
    const std::string wholeFrame = locate(talmeq::test::literalGetSpotCoordInRoI, frame.image, frame.region);
    EXPECT_EQ(locate(talmeq::detail::getSpotCoordInRoI, frame.image, frame.region), wholeFrame) << frame.label;
    ++seen["region: " + wholeFrame];
  }
  for (const auto& [outcome, count] : seen) std::printf("%s: %d\n", outcome.c_str(), count);
  for (const char* outcome : {"bright", "dim", "spot found", "no spot", "region: -1 none", "region: 0 found"})
    EXPECT_GE(seen[outcome], kSeeds / 20) << outcome;
  EXPECT_GE(seen["true spot found"], 0.9 * kSeeds / 8);
  EXPECT_GE(seen["region: 0 too faint"], kSeeds / 100);
  EXPECT_GE(seen["region: cv::Exception"], kSeeds / 97);
}

// The band of the track pass drawn on the region's canvas holds the same
// pixels as the region of a full-size mask with the same line.
TEST(Differential, TrackBandEqualsTheRegionOfTheFullSizeMask) {
  cv::RNG rng(41);
  for (int i = 1; i <= 3000; ++i) {
    const cv::Size frame(rng.uniform(1, 300), rng.uniform(1, 300));
    const cv::Rect region = regionIn(rng, frame, i % 97 ? i : 1);
    cv::Mat full = cv::Mat::zeros(frame, CV_8UC1);
    cv::line(full, region.tl(), region.br(), cv::Scalar(255), talmeq::detail::region::kBandThickness, cv::LINE_8, 0);
    ASSERT_EQ(cv::norm(talmeq::detail::region::trackBand(frame, region), full(region), cv::NORM_INF), 0.0)
        << frame << region;
  }
}

}  // namespace
