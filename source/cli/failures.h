// The two ways a subcommand fails. main() turns them into the exit status and
// the one-line message on standard error.
#pragma once

#include <stdexcept>
#include <string>

namespace talmeq::cli {

// Exit status of the tool.
enum ExitStatus : int {
  kExitOk = 0,
  kExitLibraryFailure = 1,  // an export returned a failure code or raised an OpenCV error
  kExitBadArguments = 2,    // missing file, unreadable image, malformed input, wrong number
  kExitInternalError = 3,   // anything else that escaped a subcommand
};

// The arguments cannot be used: a missing or unreadable file, a malformed
// value. Reported with exit status 2.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The library reported a failure. Reported with exit status 1.
class LibraryFailure : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

}  // namespace talmeq::cli
