// getSpotCoord against the whole-frame reading of the same steps, on seeded
// synthetic frames: bright, saturated and dim spots, no spot, several spots,
// ambient light, spots across the window's edges, clutter that the closings
// join across the window's edges, frames so small that every margin meets
// the image border, views into larger images and four-channel frames. Both
// must agree on the result, the coordinates and every message.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <talmeqAlgorithm.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "literalSpotDetector.h"
#include "logCapture.h"
#include "seededFrames.h"
#include "spotFrames.h"

namespace {

using talmeq::sim::FrameRecipe;
using talmeq::sim::Spot;
using talmeq::test::pointIn;
using Detector = std::function<int(cv::Mat, cv::Point&)>;

constexpr int kSeededFrames = 2000;
constexpr int kMinFramesPerOutcome = 100;  // each path and result must be exercised this often

struct Outcome {
  int result;
  cv::Point coord;
  std::vector<std::string> printed;
  std::vector<std::string> filed;
};

// Failure records name the source line that wrote them, which differs
// between the two implementations; the rest must match.
std::string withoutLocation(const talmeq::test::LogEntry& entry) {
  return entry.error ? entry.text.substr(0, entry.text.find(" at ")) : entry.text;
}

Outcome run(const Detector& detector, const cv::Mat& image) {
  talmeq::test::LogCapture capture;
  Outcome outcome{0, cv::Point(-1, -1), {}, {}};
  outcome.result = detector(image, outcome.coord);
  for (const talmeq::test::LogEntry& entry : capture.entries())
    (entry.stream == "print" ? outcome.printed : outcome.filed).push_back(withoutLocation(entry));
  return outcome;
}

void expectSame(const Outcome& literal, const Outcome& windowed, const std::string& label) {
  EXPECT_EQ(windowed.result, literal.result) << label;
  EXPECT_EQ(windowed.coord, literal.coord) << label;
  EXPECT_EQ(windowed.printed, literal.printed) << label;
  EXPECT_EQ(windowed.filed, literal.filed) << label;
}

// --- frames -----------------------------------------------------------------

Spot spotOfClass(cv::RNG& rng, cv::Point2d centre, int brightness) {
  Spot spot;
  spot.centre = centre;
  spot.sigma = rng.uniform(0.8, 3.0);
  switch (brightness % 3) {
    case 0: spot.peak = rng.uniform(600.0, 1500.0); break;  // saturated core
    case 1: spot.peak = rng.uniform(300.0, 520.0); break;   // bright
    default:
      spot.peak = rng.uniform(70.0, 160.0);  // dim, red
      spot.green = rng.uniform(0.05, 0.3);
      spot.blue = rng.uniform(0.05, 0.3);
  }
  return spot;
}

cv::Rect2d windowOf(cv::Size size) {
  return {size.width * 0.35, size.height * 0.45, size.width * 0.35, size.height * 0.3};
}

cv::Size randomSize(cv::RNG& rng) {
  if (rng.uniform(0, 10) < 7) return {rng.uniform(12, 400), rng.uniform(14, 400)};
  return {rng.uniform(400, 900), rng.uniform(300, 700)};
}

// Clutter anywhere, much of it crossing the window's edges: foreground that
// the closings join, or not, across them.
void addClutter(cv::Mat& frame, cv::RNG& rng, int count) {
  const cv::Rect2d reach(-0.1 * frame.cols, -0.1 * frame.rows, 1.2 * frame.cols, 1.2 * frame.rows);
  talmeq::test::addClutter(frame, rng, reach, count);
}

// Probes of the margins that the filters reach: pairs of faint red dots on
// one row (or column) across a window edge, as far apart as the closings can
// join, the outer one as far out as the closings look, and bright red bands
// further out where only the background box sees them. Whether a pair joins
// into the window then hangs on the exact background of the outer dot.
void addMarginProbes(cv::Mat& frame, cv::RNG& rng, int count) {
  const cv::Rect2d w = windowOf(frame.size());
  const double level = cv::mean(frame)[2];
  for (int i = 0; i < count; ++i) {
    const bool alongRow = rng.uniform(0, 2) == 0;
    const int side = rng.uniform(0, 2) ? 1 : -1;  // beyond the far or the near edge
    const int inner = rng.uniform(0, 20), outer = rng.uniform(60, 114), band = rng.uniform(100, 140);
    const cv::Scalar faint(0, 0, level + rng.uniform(35.0, 90.0)), bright(0, 0, 255);
    auto at = [&](int offset, double across) {  // offset from the edge, positive outwards
      const double edgeAlong = alongRow ? (side > 0 ? w.x + w.width : w.x) : (side > 0 ? w.y + w.height : w.y);
      const double along = edgeAlong + side * offset;
      return alongRow ? cv::Point(cvRound(along), cvRound(across)) : cv::Point(cvRound(across), cvRound(along));
    };
    const double across = alongRow ? rng.uniform(w.y, w.y + w.height) : rng.uniform(w.x, w.x + w.width);
    const cv::Size dot(rng.uniform(1, 4), rng.uniform(1, 4));
    cv::rectangle(frame, cv::Rect(at(-inner, across), dot), faint, cv::FILLED);
    cv::rectangle(frame, cv::Rect(at(outer, across), dot), faint, cv::FILLED);
    if (rng.uniform(0, 2)) cv::line(frame, at(band, across - 30), at(band, across + 30), bright, rng.uniform(1, 12));
  }
}

struct Frame {
  cv::Mat image;
  std::string label;
};

Frame seededFrame(int seed) {
  cv::RNG rng(static_cast<std::uint64_t>(seed) * 104729 + 7);
  const cv::Size size = randomSize(rng);
  FrameRecipe recipe = talmeq::test::randomBackground(rng, size, seed, 90.0);
  const int kind = seed % 9;
  if (kind == 8) recipe.size = {rng.uniform(400, 900), rng.uniform(560, 800)};  // margins clear of the border
  const cv::Rect2d window = windowOf(recipe.size);
  const char* names[] = {"one spot", "no spot", "several spots", "ambient", "window edge", "clutter", "dim strokes",
                         "noisy", "margin probes"};
  switch (kind) {
    case 0: recipe.spots = {spotOfClass(rng, pointIn(rng, window), seed / 9)}; break;
    case 1: recipe.speckles = rng.uniform(0, 4); break;
    case 2:
      for (int i = rng.uniform(2, 5); i > 0; --i) recipe.spots.push_back(spotOfClass(rng, pointIn(rng, window), i + seed));
      break;
    case 3:
      for (int i = rng.uniform(1, 4); i > 0; --i)
        recipe.ambient.push_back({pointIn(rng, window), rng.uniform(3.0, 25.0), rng.uniform(30.0, 200.0)});
      recipe.spots = {spotOfClass(rng, pointIn(rng, window), seed / 9)};
      break;
    case 4: recipe.spots = {spotOfClass(rng, talmeq::test::pointOnEdge(rng, window), seed / 9)}; break;
    case 7: recipe.noise = rng.uniform(10.0, 30.0); recipe.speckles = rng.uniform(0, 40); break;
    default: break;
  }
  Frame frame{talmeq::sim::renderSpotFrame(recipe), names[kind]};
  if (kind == 5) addClutter(frame.image, rng, rng.uniform(1, 30));
  if (kind == 6) addClutter(frame.image, rng, rng.uniform(1, 8));
  if (kind == 8) addMarginProbes(frame.image, rng, rng.uniform(1, 12));
  if (seed % 11 == 0) {
    cv::cvtColor(frame.image, frame.image, cv::COLOR_BGR2BGRA);
    frame.label += ", BGRA";
  } else if (seed % 13 == 0) {
    frame.image = talmeq::test::viewInLargerImage(frame.image, cv::Scalar(0, 0, 255));
    frame.label += ", view";
  }
  frame.label += " " + std::to_string(frame.image.cols) + "x" + std::to_string(frame.image.rows) + " seed " +
                 std::to_string(seed);
  return frame;
}

// --- tests ------------------------------------------------------------------

TEST(SpotDetectorDifferential, WindowedPipelineMatchesTheWholeFrameReadingOnSeededFrames) {
  int dim = 0, bright = 0, found = 0, notFound = 0;
  for (int seed = 1; seed <= kSeededFrames; ++seed) {
    const Frame frame = seededFrame(seed);
    const Outcome literal = run(talmeq::test::literalGetSpotCoord, frame.image);
    expectSame(literal, run(getSpotCoord, frame.image), frame.label);
    if (literal.printed.size() > 1) ++(literal.printed[1].rfind("best gray thr = 2", 0) == 0 ? bright : dim);
    ++(literal.result == 0 ? found : notFound);
    if (HasFailure()) break;  // one mismatch tells all; keep the output readable
  }
  std::printf("differential: %d bright, %d dim, %d found, %d not found\n", bright, dim, found, notFound);
  EXPECT_GE(bright, kMinFramesPerOutcome);
  EXPECT_GE(dim, kMinFramesPerOutcome);
  EXPECT_GE(found, kMinFramesPerOutcome);
  EXPECT_GE(notFound, kMinFramesPerOutcome);
}

TEST(SpotDetectorDifferential, EverySmallFrameSizeMatches) {
  // From the smallest searchable frame up: the margins of every filter meet
  // the image border on all sides.
  cv::RNG rng(99);
  for (int rows = 14; rows <= 44; ++rows) {
    for (int cols = 12; cols <= 44; ++cols) {
      cv::Mat frame(rows, cols, CV_8UC3);
      rng.fill(frame, cv::RNG::UNIFORM, 0, rng.uniform(60, 256));
      const std::string label = std::to_string(cols) + "x" + std::to_string(rows);
      expectSame(run(talmeq::test::literalGetSpotCoord, frame), run(getSpotCoord, frame), label);
      if (HasFailure()) return;
    }
  }
}

TEST(SpotDetectorDifferential, ResultsDoNotDependOnTheOpenCvThreadCount) {
  for (int seed = 1; seed <= 24; ++seed) {
    FrameRecipe recipe = talmeq::sim::randomSpotFrame(seed, {1600, 1200});
    recipe.noise = 6.0;
    cv::Mat image = talmeq::sim::renderSpotFrame(recipe);
    cv::RNG rng(seed);
    addClutter(image, rng, 40);
    const auto [single, parallel] = talmeq::test::onOneThreadThenAll([&] { return run(getSpotCoord, image); });
    const std::string label = "seed " + std::to_string(seed);
    expectSame(single, parallel, label);
    expectSame(run(talmeq::test::literalGetSpotCoord, image), parallel, label);
  }
}

}  // namespace
