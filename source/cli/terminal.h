// Progress of multi-image work on standard error, shown only when standard
// error is a terminal so that scripts and pipes see nothing of it.
#pragma once

#include <cstddef>
#include <string>

namespace talmeq::cli {

// True when standard error is an interactive terminal.
bool stderrIsTerminal();

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

}  // namespace talmeq::cli
