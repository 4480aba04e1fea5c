// POSIX child-process runner for the tool tests (see toolRun.h).
#include "toolRun.h"

#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <set>

namespace talmeq::test {
namespace {

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

// The JSON interface: every document holds the common keys and its
// subcommand's own, whatever the outcome.
const std::set<std::string> kCommonKeys{"command", "version", "ok", "error", "warnings"};
const std::set<std::string> kCameraKeys{"images",          "camera",       "out",     "annotations",
                                        "uncertainty",     "rms",          "views",   "coverage",
                                        "crossValidation", "straightness", "verdict", "checks"};
const std::map<std::string, std::set<std::string>> kCommandKeys{
    {"spot", {"images"}},
    {"calibrate",
     {"yml", "created", "points", "result", "meaning", "k", "b", "initialX", "initialY", "roi", "averageError",
      "plot"}},
    {"measure", {"yml", "images"}},
    {"correct", {"yml", "from", "to", "initZBefore", "initZAfter", "result", "meaning"}},
    {"calib-chess", kCameraKeys},
    {"calib-aruco", kCameraKeys},
    {"calib-charuco", kCameraKeys},
    {"undistort", {"image", "camera", "out", "width", "height"}},
    {"correct-thickness", {"image", "camera", "out", "width", "height", "scale"}},
    {"board", {"board", "file", "format", "unitMm", "widthMm", "heightMm", "dpi", "widthPx", "heightPx"}},
    {"simulate", {"dir", "height", "chess", "aruco", "camera", "sweep"}},
    {"characterize",
     {"yml", "csv", "heights", "points", "slope", "intercept", "r2", "residualRms", "residualMax", "usableRange",
      "repeatability", "drift", "predictedRepeatability", "verdict", "checks", "plots"}},
    {"demo", {"spot", "height", "camera"}}};

}  // namespace

ToolRun runTool(const std::filesystem::path& workDir, const std::vector<std::string>& args, const std::string& before,
                const std::string& after) {
  const std::filesystem::path out = workDir / ".stdout";
  const std::filesystem::path err = workDir / ".stderr";
  std::string command = "cd " + quoted(workDir.string()) + " && " + before + " " + quoted(TALMEQ_TOOL);
  for (const std::string& arg : args) command += " " + quoted(arg);
  command += " >" + quoted(out.string()) + " 2>" + quoted(err.string()) + " </dev/null " + after;
  const int raw = std::system(command.c_str());
  ToolRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = readText(out.string());
  run.err = readText(err.string());
  return run;
}

void expectDocumentShape(const nlohmann::json& document) {
  std::set<std::string> expected = kCommonKeys;
  if (document.contains("help")) expected.insert("help");  // --json --help: the help text
  if (!document.at("command").is_null()) {
    const std::set<std::string>& own = kCommandKeys.at(document["command"].get<std::string>());
    expected.insert(own.begin(), own.end());
  }
  std::set<std::string> keys;
  for (const auto& item : document.items()) keys.insert(item.key());
  EXPECT_EQ(keys, expected) << document["command"];
  EXPECT_EQ(document["version"]["library"], "2025_09_29_V1.8.0");
}

nlohmann::json runToolJson(const std::filesystem::path& workDir, std::vector<std::string> args) {
  args.insert(args.begin() + 1, "--json");
  const ToolRun run = runTool(workDir, args);
  EXPECT_EQ(run.status, 0) << args.front() << ": " << run.err;
  if (run.status != 0) return nlohmann::json::object();
  const nlohmann::json document = nlohmann::json::parse(run.out);
  expectDocumentShape(document);
  return document;
}

}  // namespace talmeq::test
