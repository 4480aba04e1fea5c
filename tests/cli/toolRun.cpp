// POSIX child-process runner for the tool tests (see toolRun.h).
#include "toolRun.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace talmeq::test {
namespace {

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

}  // namespace

ToolRun runTool(const std::filesystem::path& workDir, const std::vector<std::string>& args) {
  const std::filesystem::path out = workDir / ".stdout";
  const std::filesystem::path err = workDir / ".stderr";
  std::string command = "cd " + quoted(workDir.string()) + " && " + quoted(TALMEQ_TOOL);
  for (const std::string& arg : args) command += " " + quoted(arg);
  command += " >" + quoted(out.string()) + " 2>" + quoted(err.string()) + " </dev/null";
  const int raw = std::system(command.c_str());
  ToolRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = readText(out.string());
  run.err = readText(err.string());
  return run;
}

nlohmann::json runToolJson(const std::filesystem::path& workDir, std::vector<std::string> args) {
  args.insert(args.begin() + 1, "--json");
  const ToolRun run = runTool(workDir, args);
  EXPECT_EQ(run.status, 0) << args.front() << ": " << run.err;
  if (run.status != 0) return nlohmann::json::object();
  return nlohmann::json::parse(run.out);
}

}  // namespace talmeq::test
