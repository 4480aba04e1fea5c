// The status line on standard error: the progress of work on several images
// and the time a long library call has taken so far. It is shown only when
// standard error is a terminal, so scripts and pipes see nothing of it, and
// it is cleared before anything else is printed, so tables never mix with it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace talmeq::cli {

// True when standard error is an interactive terminal.
bool stderrIsTerminal();

// Removes the status line, if one is shown. Everything that prints to
// standard output or standard error calls this first.
void clearStatusLine();

class Progress {
 public:
  // Shown only for more than one item and when stderr is a terminal.
  Progress(std::string label, std::size_t total);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Announces the next item.
  void step(const std::string& item);

 private:
  std::string label_;
  std::size_t total_;
  std::size_t done_ = 0;
  bool shown_;
};

// While it lives, shows "<label>: N s" once a second (on a terminal only).
class ElapsedTime {
 public:
  explicit ElapsedTime(std::string label);
  ~ElapsedTime();
  ElapsedTime(const ElapsedTime&) = delete;
  ElapsedTime& operator=(const ElapsedTime&) = delete;

 private:
  std::string label_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread ticker_;
};

}  // namespace talmeq::cli
