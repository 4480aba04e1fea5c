#include "logCapture.h"

#include <log4cpp/Category.hh>
#include <log4cpp/PatternLayout.hh>
#include <log4cpp/StringQueueAppender.hh>

namespace talmeq::test {

// Both streams go to one queue of "<stream> <priority> <text>" entries.
class LogCapture::Router : public logger::Router {
 public:
  Router() {
    auto* layout = new log4cpp::PatternLayout();
    layout->setConversionPattern("%c %p %m");
    queue_.setLayout(layout);
    for (log4cpp::Category* category : {&print_, &file_}) {
      category->removeAllAppenders();
      category->addAppender(queue_);  // not owned
      category->setAdditivity(false);
      category->setPriority(log4cpp::Priority::INFO);
    }
  }
  ~Router() override {
    print_.removeAllAppenders();
    file_.removeAllAppenders();
  }
  log4cpp::Category& print() override { return access(print_); }
  log4cpp::Category& file() override { return access(file_); }

  log4cpp::StringQueueAppender queue_{"capture"};
  log4cpp::Category& print_ = log4cpp::Category::getInstance("print");
  log4cpp::Category& file_ = log4cpp::Category::getInstance("file");
  int calls_ = 0, throwAt_ = 0;

 private:
  log4cpp::Category& access(log4cpp::Category& category) {
    if (++calls_ == throwAt_) throw "injected";
    return category;
  }
};

LogCapture::LogCapture() : router_(std::make_shared<Router>()) { logger::setRouter(router_); }

LogCapture::~LogCapture() { logger::setRouter(nullptr); }

std::vector<LogEntry> LogCapture::entries() const {
  std::vector<LogEntry> entries;
  for (std::queue<std::string> queue = router_->queue_.getQueue(); !queue.empty(); queue.pop()) {
    const std::string& e = queue.front();
    const std::size_t stream = e.find(' '), priority = e.find(' ', stream + 1);
    entries.push_back({e.substr(0, stream), e.compare(stream + 1, 5, "ERROR") == 0, e.substr(priority + 1)});
  }
  return entries;
}

namespace {
std::vector<std::string> texts(const std::vector<LogEntry>& entries, const char* stream, bool errorsOnly) {
  std::vector<std::string> selected;
  for (const LogEntry& e : entries)
    if (e.stream == stream && (!errorsOnly || e.error)) selected.push_back(e.text);
  return selected;
}
}  // namespace

std::vector<std::string> LogCapture::printed() const { return texts(entries(), "print", false); }
std::vector<std::string> LogCapture::filed() const { return texts(entries(), "file", false); }
std::vector<std::string> LogCapture::failures() const { return texts(entries(), "print", true); }
void LogCapture::throwAtCall(int n) { router_->throwAt_ = n == 0 ? 0 : router_->calls_ + n; }
int LogCapture::calls() const { return router_->calls_; }

}  // namespace talmeq::test
