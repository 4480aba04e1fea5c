// Versions of the tool and the library (see version.h).
#include "versionText.h"

#include <talmeq/version.h>

namespace talmeq::cli {

std::string versionText() {
  return std::string("talmeq ") + TALMEQ_VERSION + " (library " + TALMEQ_LIBRARY_VERSION + ")";
}

nlohmann::json versionJson() { return {{"tool", TALMEQ_VERSION}, {"library", TALMEQ_LIBRARY_VERSION}}; }

}  // namespace talmeq::cli
