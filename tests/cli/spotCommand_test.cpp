// `talmeq spot` end to end: simulated frames written to disk, the JSON
// checked against the simulation's truth, failures, and the annotated image.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>


#include "spotFrames.h"
#include "spotScenes.h"
#include "imageMarks.h"
#include "toolRun.h"

namespace {

using talmeq::test::anyPixelOf;
using talmeq::test::runTool;
using talmeq::test::ScratchFolder;

constexpr int kFrames = 6;
constexpr double kMaxAxisError = 1.5;  // pixels, truncated coordinates

// Writes the frame of `recipe` as a lossless PNG.
std::string writeFrame(const ScratchFolder& dir, const std::string& name, const talmeq::sim::FrameRecipe& recipe) {
  const std::string path = dir.file(name);
  cv::imwrite(path, talmeq::sim::renderSpotFrame(recipe));
  return path;
}

talmeq::sim::FrameRecipe frameWithoutSpot() {
  talmeq::sim::FrameRecipe recipe;
  recipe.spots.clear();
  return recipe;
}

TEST(SpotCommand, JsonCoordinatesMatchTheSimulatedSpots) {
  ScratchFolder dir;
  std::vector<std::string> args{"spot", "--json"};
  std::vector<cv::Point2d> truth;
  for (int i = 0; i < kFrames; ++i) {
    const talmeq::sim::FrameRecipe recipe = talmeq::sim::randomSpotFrame(100 + i);
    truth.push_back(recipe.spots[0].centre);
    args.push_back(writeFrame(dir, "frame" + std::to_string(i) + ".png", recipe));
  }
  const auto run = runTool(dir.path(), args);
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json doc = nlohmann::json::parse(run.out);  // one document, nothing else on stdout
  EXPECT_TRUE(doc.at("ok").get<bool>());
  ASSERT_EQ(doc.at("images").size(), static_cast<std::size_t>(kFrames));
  for (int i = 0; i < kFrames; ++i) {
    const nlohmann::json& row = doc["images"][i];
    EXPECT_EQ(row.at("result"), 0);
    EXPECT_NEAR(row.at("x").get<double>(), truth[i].x, kMaxAxisError) << i;
    EXPECT_NEAR(row.at("y").get<double>(), truth[i].y, kMaxAxisError) << i;
  }
}

TEST(SpotCommand, LibraryLogStaysOffStandardOutput) {
  ScratchFolder dir;
  const std::string frame = writeFrame(dir, "f.png", talmeq::sim::randomSpotFrame(7));
  const auto quiet = runTool(dir.path(), {"spot", frame});
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.out.find("getSpotCoord:"), std::string::npos) << quiet.out;
  EXPECT_EQ(quiet.err, "");
  EXPECT_NE(quiet.out.find("f.png"), std::string::npos);

  const auto verbose = runTool(dir.path(), {"spot", "--verbose", "--log-file", dir.file("run.log"), frame});
  ASSERT_EQ(verbose.status, 0);
  EXPECT_EQ(verbose.out.find("getSpotCoord:"), std::string::npos);
  EXPECT_NE(verbose.err.find("getSpotCoord: start! "), std::string::npos);
  EXPECT_NE(talmeq::test::readText(dir.file("run.log")).find("getSpotCoord: end!"), std::string::npos);
}

TEST(SpotCommand, FramesWithoutSpotFailWithTheMeaningOfTheCode) {
  ScratchFolder dir;
  const std::string good = writeFrame(dir, "good.png", talmeq::sim::randomSpotFrame(3));
  const std::string empty = writeFrame(dir, "empty.png", frameWithoutSpot());
  const auto text = runTool(dir.path(), {"spot", empty});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.err, "talmeq: " + empty + ": getSpotCoord returned -1: no spot found\n");

  const auto mixed = runTool(dir.path(), {"spot", "--json", good, empty});
  EXPECT_EQ(mixed.status, 1);
  const nlohmann::json doc = nlohmann::json::parse(mixed.out);
  EXPECT_FALSE(doc.at("ok").get<bool>());
  EXPECT_EQ(doc["images"][0]["result"], 0);
  EXPECT_TRUE(doc["images"][0].contains("x"));
  EXPECT_EQ(doc["images"][1]["result"], -1);
  EXPECT_FALSE(doc["images"][1].contains("x"));
  EXPECT_EQ(doc["error"]["status"], 1);

  cv::imwrite(dir.file("tiny.png"), cv::Mat(10, 10, CV_8UC3, cv::Scalar::all(255)));
  const auto tiny = runTool(dir.path(), {"spot", dir.file("tiny.png")});
  EXPECT_EQ(tiny.status, 1);
  EXPECT_NE(tiny.err.find("getSpotCoord returned -2: image empty or too small"), std::string::npos);
}

// Pixel colour checks of the annotation (BGR).
void expectColour(const cv::Mat& image, cv::Point at, cv::Vec3b colour, const char* what) {
  EXPECT_EQ(image.at<cv::Vec3b>(at), colour) << what << " at " << at;
}

TEST(SpotCommand, AnnotationMarksWindowCandidatesAndSpot) {
  ScratchFolder dir;
  // 640 x 480: the window spans columns 224..447 and rows 216..359.
  cv::Mat scene = talmeq::test::flatScene({640, 480}, 40);
  cv::circle(scene, {330, 290}, 4, cv::Scalar::all(255), cv::FILLED);  // the spot
  talmeq::test::paint(scene, {400, 230, 30, 30}, 255);                  // area 900: too large
  talmeq::test::paint(scene, {250, 330, 40, 3}, 255);                   // ratio 13: too flat
  cv::imwrite(dir.file("scene.png"), scene);
  const auto run = runTool(dir.path(), {"spot", "--json", dir.file("scene.png"), "--annotate", dir.file("a.png")});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json row = nlohmann::json::parse(run.out)["images"][0];
  ASSERT_EQ(row["x"], 330);
  ASSERT_EQ(row["y"], 290);

  const cv::Mat drawn = cv::imread(dir.file("a.png"));
  ASSERT_EQ(drawn.size(), scene.size());
  const cv::Vec3b cyan(255, 255, 0), red(0, 0, 255), green(0, 255, 0), magenta(255, 0, 255), orange(0, 165, 255);
  expectColour(drawn, {224, 300}, cyan, "window left edge");
  expectColour(drawn, {300, 216}, cyan, "window top edge");
  expectColour(drawn, {447, 300}, cyan, "window right edge");
  expectColour(drawn, {300, 359}, cyan, "window bottom edge");
  expectColour(drawn, {338, 290}, red, "spot cross, right arm end");
  expectColour(drawn, {330, 282}, red, "spot cross, top arm end");
  expectColour(drawn, {400, 230}, magenta, "too-large candidate outline");
  expectColour(drawn, {250, 330}, orange, "flat candidate outline");
  EXPECT_TRUE(anyPixelOf(drawn, {324, 284, 13, 13}, green)) << "accepted candidate outline";
  EXPECT_EQ(drawn.at<cv::Vec3b>(50, 600), cv::Vec3b(40, 40, 40)) << "outside the marks the image is kept";
}

TEST(SpotCommand, SeveralImagesGetOneAnnotationEach) {
  ScratchFolder dir;
  const std::string a = writeFrame(dir, "a.png", talmeq::sim::randomSpotFrame(11));
  const std::string b = writeFrame(dir, "b.png", frameWithoutSpot());
  const auto run = runTool(dir.path(), {"spot", a, b, "--annotate", dir.file("ann.png")});
  EXPECT_EQ(run.status, 1);  // b has no spot, but is still drawn
  EXPECT_EQ(run.err, "talmeq: " + b + ": getSpotCoord returned -1: no spot found\n")
      << "no progress line when standard error is not a terminal";
  EXPECT_EQ(cv::imread(dir.file("ann-a.png")).size(), cv::Size(640, 480));
  EXPECT_EQ(cv::imread(dir.file("ann-b.png")).size(), cv::Size(640, 480));
}

}  // namespace
