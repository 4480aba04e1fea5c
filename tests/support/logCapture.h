// Captures every message of both logger streams for the life of the object,
// and can make the logger throw a text exception at a chosen stream access
// so that the -999 path of an export runs for real.
#pragma once

#include <talmeq/logger.h>

#include <vector>

namespace talmeq::test {

struct LogEntry {
  std::string stream;  // "print" or "file"
  bool error;          // true for a failure record (ERROR), false for a message (INFO)
  std::string text;
};

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Every entry of both streams, in the order written.
  std::vector<LogEntry> entries() const;
  // The texts of the print stream (messages and failure records), of the
  // file stream, and the failure records of the print stream.
  std::vector<std::string> printed() const;
  std::vector<std::string> filed() const;
  std::vector<std::string> failures() const;

  // Makes the n-th stream access from now on (1-based, counting every
  // logPrint(), logFile() and each of the two streams of a failure record)
  // throw the text "injected". 0 disables it.
  void throwAtCall(int n);
  // Number of stream accesses so far.
  int calls() const;

 private:
  class Router;
  std::shared_ptr<Router> router_;
};

// "<function> returned <code>", the fixed part of a failure record.
inline std::string failurePrefix(const std::string& function, int code) {
  return function + " returned " + std::to_string(code);
}

}  // namespace talmeq::test
