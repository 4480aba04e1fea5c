// Runs the talmeq tool as a child process, as a shell user would, and hands
// back its exit status and both output streams; checks that a JSON document
// has the keys its subcommand promises in every outcome.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "calibrationFiles.h"

namespace talmeq::test {

struct ToolRun {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the tool with `args` in `workDir`. `before` goes in front of the
// tool on the shell's command line (environment settings, limits), `after`
// behind its redirections (more redirections, which win over the default ones).
ToolRun runTool(const std::filesystem::path& workDir, const std::vector<std::string>& args,
                const std::string& before = "", const std::string& after = "");

// Expects the document's top-level keys to be exactly those of its
// subcommand ("command" names it; null for a run refused before one).
void expectDocumentShape(const nlohmann::json& document);

// Runs the tool with `args` and --json; expects exit status 0 and the
// subcommand's shape, and returns the document (empty after a failure).
nlohmann::json runToolJson(const std::filesystem::path& workDir, std::vector<std::string> args);

}  // namespace talmeq::test
