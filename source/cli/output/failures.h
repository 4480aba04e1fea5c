// The two ways a subcommand fails. main() turns them into the exit status and
// the one-line message on standard error.
#pragma once

#include <stdexcept>
#include <string>

namespace talmeq::cli {

// Exit status of the tool.
enum ExitStatus : int {
  kExitOk = 0,
  kExitFailed = 1,         // the work failed: a result code, an OpenCV error, an unusable result, a failed write
  kExitBadArguments = 2,   // missing file, unreadable input, malformed value, output over an input
  kExitInternalError = 3,  // a fault of the tool itself
};

// The arguments cannot be used: a missing or unreadable file, a malformed
// value, an output that would overwrite an input. Reported with exit status
// 2, always before any file is changed.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The work failed: the library returned a failure code or raised an OpenCV
// error, its result cannot be used (not finite, not written), or an output
// could not be written. Reported with exit status 1.
class WorkFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace talmeq::cli
