// Versions of the tool and the library (see version.h).
#include "version.h"

#include "callFrame.h"

namespace talmeq::cli {

std::string versionText() {
  return std::string("talmeq ") + TALMEQ_TOOL_VERSION + " (library " + talmeq::kVersion + ")";
}

nlohmann::json versionJson() { return {{"tool", TALMEQ_TOOL_VERSION}, {"library", talmeq::kVersion}}; }

}  // namespace talmeq::cli
