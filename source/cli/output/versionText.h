// The versions a run reports: the tool's own (the project version) and the
// library's version string, the one its start messages carry.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace talmeq::cli {

// "talmeq <tool version> (library <library version>)".
std::string versionText();

// {"tool": ..., "library": ...}.
nlohmann::json versionJson();

}  // namespace talmeq::cli
