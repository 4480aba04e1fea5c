// The size-rotated file of the default set-up (see logger.h).
//
// log4cpp's RollingFileAppender asks the system for the file's size after
// every line. This one counts the bytes it writes instead and asks only when
// its count reaches the limit (so a file shortened by someone else is not
// rotated early) and every kRecountLines lines (so lines another process
// appends to the same file are counted within that many of ours). Rotation
// itself and the names of the old files are log4cpp's; each line goes out in
// one write, as log4cpp's appender writes it.
// Lines arrive one at a time: a log4cpp category holds its appender lock
// around each.
#include <cstdio>  // SEEK_END
#include <log4cpp/RollingFileAppender.hh>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#else
#include <unistd.h>
#endif

#include <talmeq/logger.h>

namespace logger {
namespace {

constexpr unsigned int kRecountLines = 64;

class RotatingFile final : public log4cpp::RollingFileAppender {
 public:
  RotatingFile(const std::string& name, const std::string& path, std::size_t maxBytes, unsigned int backups)
      : RollingFileAppender(name, path, maxBytes, backups) {
    recount();
  }

  void rollOver() override {
    RollingFileAppender::rollOver();
    recount();
  }

  bool reopen() override {
    const bool reopened = RollingFileAppender::reopen();
    recount();
    return reopened;
  }

 protected:
  void _append(const log4cpp::LoggingEvent& event) override {
    const std::string line = _getLayout().format(event);
#ifdef _WIN32
    const long long written = _write(_fd, line.data(), static_cast<unsigned int>(line.size()));
#else
    const long long written = ::write(_fd, line.data(), line.size());
#endif
    if (written > 0) bytes_ += static_cast<std::size_t>(written) + addedReturns(line, written);
    if (bytes_ < _maxFileSize && ++linesSinceCount_ < kRecountLines) return;
    recount();
    if (bytes_ >= _maxFileSize) rollOver();
  }

 private:
  // The file's size as the system has it; a file that cannot be asked counts
  // as empty, which defers rotation as log4cpp does when lseek fails.
  void recount() {
#ifdef _WIN32
    const long long end = _lseeki64(_fd, 0, SEEK_END);
#else
    const long long end = ::lseek(_fd, 0, SEEK_END);
#endif
    bytes_ = end > 0 ? static_cast<std::size_t>(end) : 0;
    linesSinceCount_ = 0;
#ifdef _WIN32
    const int mode = _setmode(_fd, _O_BINARY);  // asks the mode by setting it, and sets it back
    if (mode != -1) _setmode(_fd, mode);
    textMode_ = mode == _O_TEXT;
#endif
  }

  // On Windows log4cpp opens the file in text mode: each "\n" reaches the
  // disk as "\r\n", and _write counts the line's own bytes only.
  std::size_t addedReturns([[maybe_unused]] const std::string& line, [[maybe_unused]] long long written) const {
#ifdef _WIN32
    if (textMode_) return static_cast<std::size_t>(std::count(line.begin(), line.begin() + written, '\n'));
#endif
    return 0;
  }

  std::size_t bytes_ = 0;
  unsigned int linesSinceCount_ = 0;
  bool textMode_ = false;
};

}  // namespace

log4cpp::Appender* newRotatingFile(const std::string& name, const std::string& path, std::size_t maxBytes,
                                   unsigned int backups) {
  return new RotatingFile(name, path, maxBytes, backups);
}

}  // namespace logger
