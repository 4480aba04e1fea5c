// Calls one export (or one call of the precision layer) and reports an
// OpenCV error it raises the same way as a failure code: as a WorkFailure
// with a one-line message.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "failures.h"

namespace talmeq::cli {

template <class Call>
auto callExport(const char* exportName, Call&& call) {
  try {
    return call();
  } catch (const cv::Exception& error) {
    throw WorkFailure(std::string(exportName) + " raised an OpenCV error: " + error.err + " (in " + error.func + ")");
  }
}

}  // namespace talmeq::cli
