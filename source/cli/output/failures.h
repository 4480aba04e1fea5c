// The two ways a subcommand fails, and the calls whose errors become the
// second: library calls that raise OpenCV errors and the synthetic dataset's
// writers. main() turns them into the exit status and the one-line message
// on standard error.
#pragma once

#include <talmeq/explanations.h>

#include <opencv2/core.hpp>
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

// Throws WorkFailure "<export> returned <code>: <meaning>" unless `code`
// is 0; `subject` (an image path, for example) prefixes the message when it
// is not empty.
inline void requireSuccess(std::string_view exportName, int code, std::string_view subject = {}) {
  if (code == 0) return;
  const std::string prefix = subject.empty() ? std::string() : std::string(subject) + ": ";
  throw WorkFailure(prefix + std::string(exportName) + " returned " + std::to_string(code) + ": " +
                    std::string(resultMeaning(exportName, code)));
}

// Calls one export (or one call of the precision layer) and reports an
// OpenCV error it raises the same way as a failure code: as a WorkFailure
// with a one-line message.
template <class Call>
auto callExport(const char* exportName, Call&& call) {
  try {
    return call();
  } catch (const cv::Exception& error) {
    throw WorkFailure(std::string(exportName) + " raised an OpenCV error: " + error.err + " (in " + error.func + ")");
  }
}

// Runs one of the synthetic dataset's writers (sim::writeHeightDataset, ...)
// on `dir` for `simulate` and `demo`: a file that cannot be written, or a
// folder that cannot be made, is a WorkFailure naming `dir`.
template <class Writer>
void writeDatasetPart(const std::string& dir, Writer&& writer) {
  try {
    writer(dir);
  } catch (const cv::Exception& error) {
    throw WorkFailure("cannot write the dataset into " + dir + ": " + error.err);
  } catch (const std::exception& error) {
    throw WorkFailure("cannot write the dataset into " + dir + ": " + error.what());
  }
}

}  // namespace talmeq::cli
