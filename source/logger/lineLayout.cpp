// The layout of every line the logger writes by default (see logger.h).
//
// The text is exactly what log4cpp's PatternLayout makes of
// "%d{%Y-%m-%d %H:%M:%S.%l} %-5p %m%n", built without the output streams
// that layout creates for every line and every component: the date and time
// up to the second change once a second, so each thread keeps the text of
// the last second it formatted, and the rest is appended to one string.
#include <talmeq/logger.h>

#include <ctime>
#include <log4cpp/LoggingEvent.hh>
#include <log4cpp/PatternLayout.hh>
#include <log4cpp/Priority.hh>

namespace logger {
namespace {

constexpr const char* kLinePattern = "%d{%Y-%m-%d %H:%M:%S.%l} %-5p %m%n";
constexpr std::size_t kPriorityWidth = 5;

std::tm localTime(std::time_t seconds) {
  std::tm broken{};
#ifdef _WIN32
  localtime_s(&broken, &seconds);
#else
  localtime_r(&seconds, &broken);
#endif
  return broken;
}

// "YYYY-MM-DD HH:MM:SS." of one second, formatted once per second and thread.
class SecondText {
 public:
  // False when the text does not fit, which no real date reaches.
  bool update(std::time_t seconds) {
    if (length_ > 0 && seconds == seconds_) return true;
    const std::tm broken = localTime(seconds);
    length_ = std::strftime(text_, sizeof text_, "%Y-%m-%d %H:%M:%S.", &broken);
    seconds_ = seconds;
    return length_ > 0;
  }
  const char* text() const { return text_; }
  std::size_t length() const { return length_; }

 private:
  char text_[100];
  std::size_t length_ = 0;  // 0 until a second's text is held
  std::time_t seconds_ = 0;
};

class LineLayout final : public log4cpp::Layout {
 public:
  LineLayout() { pattern_.setConversionPattern(kLinePattern); }

  std::string format(const log4cpp::LoggingEvent& event) override {
    thread_local SecondText second;
    const int millis = event.timeStamp.getMilliSeconds();
    // A time stamp no clock gives (its microseconds out of range) takes the
    // pattern's own path, so the text stays the pattern's in every case.
    if (millis < 0 || millis > 999 || !second.update(event.timeStamp.getSeconds())) return pattern_.format(event);
    const std::string& priority = log4cpp::Priority::getPriorityName(event.priority);
    const std::size_t padding = priority.size() < kPriorityWidth ? kPriorityWidth - priority.size() : 0;

    std::string line;
    line.reserve(second.length() + 3 + 1 + priority.size() + padding + 1 + event.message.size() + 1);
    line.append(second.text(), second.length());
    line += static_cast<char>('0' + millis / 100);
    line += static_cast<char>('0' + millis / 10 % 10);
    line += static_cast<char>('0' + millis % 10);
    line += ' ';
    line += priority;
    line.append(padding, ' ');
    line += ' ';
    line += event.message;
    line += '\n';
    return line;
  }

 private:
  log4cpp::PatternLayout pattern_;
};

}  // namespace

log4cpp::Layout* newLineLayout() { return new LineLayout(); }

}  // namespace logger
