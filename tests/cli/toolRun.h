// Runs the talmeq tool as a child process, as a shell user would, and hands
// back its exit status and both output streams. Each test gets its own
// scratch folder.
#pragma once

#include <nlohmann/json.hpp>

#include "calibrationFiles.h"

#include <filesystem>
#include <string>
#include <vector>

namespace talmeq::test {

struct ToolRun {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the tool with `args` in `workDir`.
ToolRun runTool(const std::filesystem::path& workDir, const std::vector<std::string>& args);

// Runs the tool with `args` and --json; expects exit status 0 and returns
// the document (an empty object after a failed expectation).
nlohmann::json runToolJson(const std::filesystem::path& workDir, std::vector<std::string> args);

}  // namespace talmeq::test
