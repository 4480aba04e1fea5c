// Standard error caught in a temporary file (see standardErrorCapture.h).
#include "standardErrorCapture.h"

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace talmeq::cli {
namespace {

#ifdef _WIN32
int duplicate(int fd) { return _dup(fd); }
int duplicateInto(int fd, int target) { return _dup2(fd, target); }
int closeDescriptor(int fd) { return _close(fd); }
int descriptorOf(std::FILE* file) { return _fileno(file); }
#else
int duplicate(int fd) { return dup(fd); }
int duplicateInto(int fd, int target) { return dup2(fd, target); }
int closeDescriptor(int fd) { return close(fd); }
int descriptorOf(std::FILE* file) { return fileno(file); }
#endif

constexpr int kStandardError = 2;

// Puts the saved standard error back when the catch ends, however it ends.
class Redirection {
 public:
  explicit Redirection(std::FILE* sink) : saved_(duplicate(kStandardError)) {
    std::fflush(stderr);
    if (saved_ >= 0 && duplicateInto(descriptorOf(sink), kStandardError) < 0) {
      closeDescriptor(saved_);
      saved_ = -1;
    }
  }
  ~Redirection() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    duplicateInto(saved_, kStandardError);
    closeDescriptor(saved_);
  }
  Redirection(const Redirection&) = delete;
  Redirection& operator=(const Redirection&) = delete;
  bool active() const { return saved_ >= 0; }

 private:
  int saved_;
};

}  // namespace

std::string caughtStandardError(const std::function<void()>& work) {
  std::FILE* sink = std::tmpfile();
  if (sink == nullptr) {
    work();
    return {};
  }
  {
    const Redirection redirection(sink);
    try {
      work();
    } catch (...) {
      std::fclose(sink);
      throw;
    }
    if (!redirection.active()) {
      std::fclose(sink);
      return {};
    }
  }
  std::string text;
  std::rewind(sink);
  char buffer[512];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, sink)) > 0;) text.append(buffer, n);
  std::fclose(sink);
  return text;
}

}  // namespace talmeq::cli
