// Bad arguments give exit status 2 and a one-line message naming the problem,
// in text and in JSON mode; the demo runs with no input at all.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>

#include "toolRun.h"

namespace {

using talmeq::test::runTool;
using talmeq::test::ScratchDir;

constexpr int kBadArguments = 2;
constexpr double kMaxDemoSpotError = 1.5;  // pixels

// Exit status 2 and exactly one stderr line that contains `message`.
void expectBadArguments(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& message) {
  const auto run = runTool(dir.path(), args);
  EXPECT_EQ(run.status, kBadArguments) << args.front() << ": " << run.err;
  EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(ToolArguments, BadInputFilesAreNamed) {
  ScratchDir dir;
  std::ofstream(dir.file("notes.png")) << "not an image\n";
  expectBadArguments(dir, {"spot", dir.file("missing.png")}, "no such file: " + dir.file("missing.png"));
  expectBadArguments(dir, {"spot", dir.file("notes.png")}, "not a readable image: " + dir.file("notes.png"));
  expectBadArguments(dir, {"spot"}, "images is required");
}

TEST(ToolArguments, BadNumbersAndChoicesAreRejected) {
  ScratchDir dir;
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

TEST(ToolArguments, MissingOutputDirectoriesAreReportedBeforeAnyWork) {
  ScratchDir dir;
  const std::string nowhere = dir.file("no/such/dir/out.png");
  expectBadArguments(dir, {"board", "aruco", "--out", nowhere}, "no such directory for output file");
  expectBadArguments(dir, {"demo", "--log-file", nowhere}, "no such directory for output file");
}

TEST(ToolArguments, JsonModeStillPrintsOneDocument) {
  ScratchDir dir;
  const auto run = runTool(dir.path(), {"spot", "--json", dir.file("missing.png")});
  EXPECT_EQ(run.status, kBadArguments);
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  EXPECT_FALSE(doc.at("ok").get<bool>());
  EXPECT_EQ(doc["error"]["status"], kBadArguments);
  EXPECT_NE(doc["error"]["message"].get<std::string>().find("no such file"), std::string::npos);
}

TEST(ToolDemo, FindsEverySyntheticSpotInTextAndJson) {
  ScratchDir dir;
  const auto text = runTool(dir.path(), {"demo", "--frames", "5"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("spots found: 5 of 5"), std::string::npos) << text.out;

  const auto json = runTool(dir.path(), {"demo", "--json", "--frames", "5", "--seed", "40"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  EXPECT_EQ(doc["spot"]["found"], 5);
  EXPECT_EQ(doc["spot"]["frames"].size(), 5u);
  EXPECT_LT(doc["spot"]["worstError"].get<double>(), kMaxDemoSpotError);
}

}  // namespace
