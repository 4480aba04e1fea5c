// Terminal detection (POSIX and Windows) and the status line.
#include "terminal.h"

#include <chrono>
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace talmeq::cli {
namespace {

constexpr std::size_t kLineWidth = 79;

std::mutex statusMutex;
bool statusShown = false;

void showStatusLine(std::string text) {
  if (text.size() > kLineWidth) text = text.substr(0, kLineWidth - 3) + "...";
  text.resize(kLineWidth, ' ');
  const std::lock_guard<std::mutex> lock(statusMutex);
  std::cerr << '\r' << text << std::flush;
  statusShown = true;
}

}  // namespace

bool stderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

void clearStatusLine() {
  const std::lock_guard<std::mutex> lock(statusMutex);
  if (!statusShown) return;
  std::cerr << '\r' << std::string(kLineWidth, ' ') << '\r' << std::flush;
  statusShown = false;
}

Progress::Progress(std::string label, std::size_t total)
    : label_(std::move(label)), total_(total), shown_(total > 1 && stderrIsTerminal()) {}

Progress::~Progress() {
  if (shown_) clearStatusLine();
}

void Progress::step(const std::string& item) {
  ++done_;
  if (shown_) showStatusLine(label_ + " " + std::to_string(done_) + "/" + std::to_string(total_) + ": " + item);
}

ElapsedTime::ElapsedTime(std::string label) : label_(std::move(label)) {
  if (!stderrIsTerminal()) return;
  ticker_ = std::thread([this] {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; })) {
      const auto seconds =
          std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
      showStatusLine(label_ + ": " + std::to_string(seconds) + " s");
    }
  });
}

ElapsedTime::~ElapsedTime() {
  if (!ticker_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  wake_.notify_one();
  ticker_.join();
  clearStatusLine();
}

}  // namespace talmeq::cli
