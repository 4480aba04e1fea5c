// Bad arguments give exit status 2 and a one-line message naming the problem,
// in text and in JSON mode; the demo runs the whole station with no input.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>

#include "cameraFile.h"
#include "toolRun.h"

namespace {

using talmeq::test::runTool;
using talmeq::test::ScratchFolder;

constexpr int kBadArguments = 2;
constexpr double kMaxDemoSpotError = 1.5;    // pixels
constexpr double kMaxDemoHeightError = 0.2;  // height units
constexpr double kMaxDemoFocalError = 0.01;  // relative

// Exit status 2 and exactly one stderr line that contains `message`.
void expectBadArguments(const ScratchFolder& dir, const std::vector<std::string>& args,
                        const std::string& message) {
  const auto run = runTool(dir.path(), args);
  EXPECT_EQ(run.status, kBadArguments) << args.front() << ": " << run.err;
  EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(ToolArguments, BadInputFilesAreNamed) {
  ScratchFolder dir;
  std::ofstream(dir.file("notes.png")) << "not an image\n";
  expectBadArguments(dir, {"spot", dir.file("missing.png")}, "no such file: " + dir.file("missing.png"));
  expectBadArguments(dir, {"spot", dir.file("notes.png")}, "not a readable image: " + dir.file("notes.png"));
  expectBadArguments(dir, {"spot"}, "images is required");
}

TEST(ToolArguments, BadNumbersAndChoicesAreRejected) {
  ScratchFolder dir;
  const std::string out = dir.file("b.png");
  expectBadArguments(dir, {"board", "chess", "--out", out, "--dpi", "abc"}, "--dpi");
  expectBadArguments(dir, {"board", "chess", "--out", out, "--dpi", "-5"}, "--dpi must lie in");
  expectBadArguments(dir, {"board", "chess", "--out", out, "--unit-mm", "0x"}, "--unit-mm");
  expectBadArguments(dir, {"board", "chess", "--out", out, "--unit-mm", "0"}, "--unit-mm must lie in");
  expectBadArguments(dir, {"board", "hexagon", "--out", out}, "hexagon");
  expectBadArguments(dir, {"board", "chess", "--out", dir.file("b.bmp")}, "must name a .png or .svg file");
  expectBadArguments(dir, {"demo", "--frames", "0"}, "--frames must be at least 1");
  expectBadArguments(dir, {}, "subcommand");
}

TEST(ToolArguments, MalformedHeightCsvIsNamedWithItsLine) {
  ScratchFolder dir;
  const std::string csv = dir.file("h.csv");
  const std::string yml = dir.file("c.yml");
  std::ofstream(yml) << "%YAML:1.0\n---\nscale: 0.1\ndist: 300\n";
  const auto withCsv = [&](const std::string& text, const std::string& message) {
    std::ofstream(csv) << text;
    expectBadArguments(dir, {"calibrate", "--yml", yml, csv}, message);
  };
  withCsv("height,image\n0,a.png\nfive,b.png\n", csv + ":3: height is not a finite number: 'five'");
  withCsv("0,a.png,extra\n", csv + ":1: expected two fields 'height,image'");
  withCsv("0,a.png\n1e999,b.png\n", csv + ":2: height is not a finite number");
  withCsv("0,\n", csv + ":1: image field is empty");
  withCsv("height,image\n\n", csv + ": no 'height,image' rows");
  withCsv("0,a.png\n5,b.png\n10,c.png\n", "no such file: " + dir.file("a.png"));
  expectBadArguments(dir, {"calibrate", "--yml", yml, dir.file("none.csv")},
                     "no such file: " + dir.file("none.csv"));
}

TEST(ToolArguments, WrongNumbersAndMissingInputsOfTheHeightAndCameraCommands) {
  ScratchFolder dir;
  const std::string yml = dir.file("c.yml");
  std::ofstream(yml) << "%YAML:1.0\n---\nscale: 0.1\ndist: 300\n";
  std::ofstream(dir.file("h.csv")) << "0,a.png\n";
  expectBadArguments(dir, {"correct", "--yml", yml, "--from", "abc", "--to", "1"}, "--from");
  expectBadArguments(dir, {"correct", "--yml", yml, "--from", "nan", "--to", "1"}, "must be finite numbers");
  expectBadArguments(dir, {"correct", "--yml", dir.file("none.yml"), "--from", "0", "--to", "1"},
                     "no such file: " + dir.file("none.yml"));
  expectBadArguments(dir, {"measure", "--yml", dir.file("none.yml"), dir.file("a.png")}, "no such file");
  expectBadArguments(dir,
                     {"calibrate", "--yml", dir.file("new.yml"), "--scale", "0.1", "--dist", "0", "--init-z",
                      "-31", "--focus-d", "0", dir.file("h.csv")},
                     "--dist must not be 0");

  // Camera inputs.
  cv::imwrite(dir.file("img.png"), cv::Mat(48, 64, CV_8UC3, cv::Scalar::all(90)));
  std::ofstream(dir.file("bad.yml")) << "%YAML:1.0\n---\nimage_width: 64\n";
  const std::string out = dir.file("out.png");
  expectBadArguments(dir, {"undistort", dir.file("img.png"), "--camera", dir.file("none.yml"), "--out", out},
                     "no such file: " + dir.file("none.yml"));
  expectBadArguments(dir, {"undistort", dir.file("img.png"), "--camera", dir.file("bad.yml"), "--out", out},
                     "camera_matrix must be a 3 x 3 matrix");
  expectBadArguments(dir, {"undistort", dir.file("img.png"), "--camera", dir.file("h.csv"), "--out", out},
                     "not a readable camera file");
  talmeq::sim::writeCameraFile(dir.file("cam.yml"),
                               {cv::Mat::eye(3, 3, CV_64F), cv::Mat::zeros(5, 1, CV_64F), {64, 48}, {}});
  expectBadArguments(
      dir, {"undistort", dir.file("img.png"), "--camera", dir.file("cam.yml"), "--size", "640", "--out", out},
      "--size must read WIDTHxHEIGHT");
  expectBadArguments(dir,
                     {"correct-thickness", dir.file("img.png"), "--camera", dir.file("cam.yml"),
                      "--thickness", "inf", "--out", out},
                     "--thickness must be a finite number");
  expectBadArguments(dir,
                     {"calib-aruco", dir.file("img.png"), dir.file("none.png"), "--out", dir.file("c2.yml")},
                     "no such file: " + dir.file("none.png"));
  expectBadArguments(dir, {"simulate", dir.file("h.csv")}, "not a directory");
}

TEST(ToolArguments, MissingOutputDirectoriesAreReportedBeforeAnyWork) {
  ScratchFolder dir;
  const std::string nowhere = dir.file("no/such/dir/out.png");
  expectBadArguments(dir, {"board", "aruco", "--out", nowhere}, "no such directory for output file");
  expectBadArguments(dir, {"demo", "--log-file", nowhere}, "no such directory for output file");
}

TEST(ToolArguments, JsonModeStillPrintsOneDocument) {
  ScratchFolder dir;
  const auto run = runTool(dir.path(), {"spot", "--json", dir.file("missing.png")});
  EXPECT_EQ(run.status, kBadArguments);
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  EXPECT_FALSE(doc.at("ok").get<bool>());
  EXPECT_EQ(doc["error"]["status"], kBadArguments);
  EXPECT_NE(doc["error"]["message"].get<std::string>().find("no such file"), std::string::npos);
}

TEST(ToolDemo, RunsTheWholeStationWithinItsLimits) {
  ScratchFolder dir;
  const auto text = runTool(dir.path(), {"demo", "--frames", "5"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("spots found: 5 of 5"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("measure: worst height error 0.0"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("camera: worst focal length error 0."), std::string::npos) << text.out;

  const auto json =
      runTool(dir.path(), {"demo", "--json", "--frames", "5", "--seed", "40", "--keep", dir.file("data")});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  EXPECT_EQ(doc["spot"]["found"], 5);
  EXPECT_EQ(doc["spot"]["frames"].size(), 5u);
  EXPECT_LT(doc["spot"]["worstError"].get<double>(), kMaxDemoSpotError);
  EXPECT_EQ(doc["height"]["measurements"].size(), 20u);
  EXPECT_LT(doc["height"]["worstError"].get<double>(), kMaxDemoHeightError);
  EXPECT_LT(doc["camera"]["worstFocalError"].get<double>(), kMaxDemoFocalError);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("data/aruco/view_00.png")))
      << "--keep keeps the dataset";
}

}  // namespace
