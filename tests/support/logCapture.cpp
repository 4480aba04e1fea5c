#include "logCapture.h"

#include <log4cpp/AppenderSkeleton.hh>
#include <log4cpp/Category.hh>

#include <atomic>

namespace talmeq::test {
namespace {

// Appends every event of a category to a shared list.
class ListAppender : public log4cpp::AppenderSkeleton {
public:
  ListAppender(std::string stream, std::mutex& mutex, std::vector<LogEntry>& list)
      : AppenderSkeleton("capture." + stream), stream_(std::move(stream)), mutex_(mutex), list_(list) {}
  void close() override {}
  bool reopen() override { return true; }
  bool requiresLayout() const override { return false; }
  void setLayout(log4cpp::Layout* layout) override { delete layout; }

protected:
  void _append(const log4cpp::LoggingEvent& event) override {
    std::lock_guard<std::mutex> lock(mutex_);
    list_.push_back({stream_, event.priority <= log4cpp::Priority::ERROR, event.message});
  }

private:
  std::string stream_;
  std::mutex& mutex_;
  std::vector<LogEntry>& list_;
};

log4cpp::Category& captureCategory(const std::string& stream, std::mutex& mutex,
                                   std::vector<LogEntry>& list) {
  log4cpp::Category& category = log4cpp::Category::getInstance("test.capture." + stream);
  category.removeAllAppenders();
  category.addAppender(new ListAppender(stream, mutex, list));
  category.setAdditivity(false);
  category.setPriority(log4cpp::Priority::INFO);
  return category;
}

}  // namespace

class LogCapture::Router : public logger::Router {
public:
  Router() : print_(captureCategory("print", mutex_, list_)), file_(captureCategory("file", mutex_, list_)) {}
  log4cpp::Category& print() override { return access(print_); }
  log4cpp::Category& file() override { return access(file_); }

  mutable std::mutex mutex_;
  std::vector<LogEntry> list_;
  std::atomic<int> calls_{0};
  std::atomic<int> throwAt_{0};

private:
  log4cpp::Category& access(log4cpp::Category& category) {
    const int call = ++calls_;
    if (throwAt_ != 0 && call == throwAt_) throw "injected";
    return category;
  }
  log4cpp::Category& print_;
  log4cpp::Category& file_;
};

LogCapture::LogCapture() : router_(std::make_shared<Router>()) { logger::setRouter(router_); }

LogCapture::~LogCapture() {
  logger::setRouter(nullptr);
  log4cpp::Category::getInstance("test.capture.print").removeAllAppenders();
  log4cpp::Category::getInstance("test.capture.file").removeAllAppenders();
}

std::vector<LogEntry> LogCapture::entries() const {
  std::lock_guard<std::mutex> lock(router_->mutex_);
  return router_->list_;
}

namespace {
std::vector<std::string> select(const std::vector<LogEntry>& all, const char* stream, bool errorsOnly) {
  std::vector<std::string> texts;
  for (const LogEntry& e : all)
    if (e.stream == stream && (!errorsOnly || e.error)) texts.push_back(e.text);
  return texts;
}
}  // namespace

std::vector<std::string> LogCapture::printed() const { return select(entries(), "print", false); }
std::vector<std::string> LogCapture::filed() const { return select(entries(), "file", false); }
std::vector<std::string> LogCapture::failures() const { return select(entries(), "print", true); }

void LogCapture::clear() {
  std::lock_guard<std::mutex> lock(router_->mutex_);
  router_->list_.clear();
}

void LogCapture::throwAtCall(int n) {
  router_->throwAt_ = n == 0 ? 0 : router_->calls_ + n;
}

int LogCapture::calls() const { return router_->calls_; }

std::string failurePrefix(const std::string& function, int code) {
  return function + " returned " + std::to_string(code);
}

}  // namespace talmeq::test
