// Terminal detection (POSIX and Windows) and the progress line.
#include "terminal.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace talmeq::cli {

bool stderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

Progress::Progress(std::string label, std::size_t total)
    : label_(std::move(label)), total_(total), shown_(total > 1 && stderrIsTerminal()) {}

Progress::~Progress() {
  if (shown_ && done_ > 0) std::cerr << '\r' << std::string(79, ' ') << '\r' << std::flush;
}

void Progress::step(const std::string& item) {
  ++done_;
  if (!shown_) return;
  std::string text = label_ + " " + std::to_string(done_) + "/" + std::to_string(total_) + ": " + item;
  if (text.size() > 79) text = text.substr(0, 76) + "...";
  text.resize(79, ' ');
  std::cerr << '\r' << text << std::flush;
}

}  // namespace talmeq::cli
