// The common frame of every exported call: the version string, message
// writing to both logger streams, the failure record and the boundary that
// turns a text exception (const char*) into -999.
#pragma once

#include <talmeq/logger.h>
#include <talmeq/resultCodes.h>
#include <talmeq/version.h>

namespace talmeq::detail {

// Appended to the start message of the exports that announce themselves.
inline constexpr const char* kVersion = TALMEQ_LIBRARY_VERSION;

// Writes one message: the pieces streamed as one statement into the print
// stream, then the same pieces into the file stream.
template <class... Pieces>
void logMessage(const Pieces&... pieces) {
  {
    auto stream = logger::logPrint();
    (stream << ... << pieces);
  }
  {
    auto stream = logger::logFile();
    (stream << ... << pieces);
  }
}

// Writes the failure record for `code` and yields the code, so that a
// failing branch reads `return failure(...)`.
inline int failureAt(const char* file, const char* function, int line, int code) {
  logger::log(file, function, line, code);
  return code;
}

}  // namespace talmeq::detail

// The failure record names the source file and line of the failing return.
#define TALMEQ_FAILURE(function, code) ::talmeq::detail::failureAt(__FILE__, function, __LINE__, code)
