// POSIX child-process runner for the tool tests (see toolRun.h).
#include "toolRun.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace talmeq::test {
namespace {

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

std::string slurp(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
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
  run.out = slurp(out);
  run.err = slurp(err);
  return run;
}

nlohmann::json runToolJson(const std::filesystem::path& workDir, std::vector<std::string> args) {
  args.insert(args.begin() + 1, "--json");
  const ToolRun run = runTool(workDir, args);
  EXPECT_EQ(run.status, 0) << args.front() << ": " << run.err;
  if (run.status != 0) return nlohmann::json::object();
  return nlohmann::json::parse(run.out);
}

ScratchDir::ScratchDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  path_ = std::filesystem::temp_directory_path() /
          ("talmeq-cli-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace talmeq::test
