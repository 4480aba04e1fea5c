// A logger::Router for the command-line tool (see logRouting.h).
#include "logRouting.h"

#include <log4cpp/Category.hh>
#include <log4cpp/FileAppender.hh>
#include <log4cpp/OstreamAppender.hh>
#include <log4cpp/PatternLayout.hh>
#include <logger.h>

#include <iostream>
#include <memory>

namespace talmeq::cli {
namespace {

constexpr const char* kLinePattern = "%d{%Y-%m-%d %H:%M:%S.%l} %-5p %m%n";

log4cpp::Category& categoryWith(const std::string& name, log4cpp::Appender* appender) {
  log4cpp::Category& category = log4cpp::Category::getInstance(name);
  category.removeAllAppenders();
  category.setAdditivity(false);
  if (appender) {
    auto* layout = new log4cpp::PatternLayout();
    layout->setConversionPattern(kLinePattern);
    appender->setLayout(layout);
    category.addAppender(appender);  // the category owns the appender
    category.setPriority(log4cpp::Priority::INFO);
  } else {
    // Below every level the library writes at: its streams stay silent.
    category.setPriority(log4cpp::Priority::EMERG);
  }
  return category;
}

log4cpp::Category& printCategory(bool verbose) {
  if (!verbose) return categoryWith("talmeq.cli.silent", nullptr);
  return categoryWith("talmeq.cli.stderr", new log4cpp::OstreamAppender("talmeq.cli.stderr", &std::cerr));
}

log4cpp::Category& fileCategory(const std::string& logFile) {
  if (!logFile.empty())
    return categoryWith("talmeq.cli.file", new log4cpp::FileAppender("talmeq.cli.file", logFile));
  // Asking for the default file stream once makes the logger set up its
  // configured categories; no message is written by it.
  logger::logFile();
  return log4cpp::Category::getInstance("talmeq.file");
}

class ToolRouter final : public logger::Router {
public:
  ToolRouter(log4cpp::Category& print, log4cpp::Category& file) : print_(print), file_(file) {}
  log4cpp::Category& print() override { return print_; }
  log4cpp::Category& file() override { return file_; }

private:
  log4cpp::Category& print_;
  log4cpp::Category& file_;
};

}  // namespace

void routeLibraryLog(bool verbose, const std::string& logFile) {
  log4cpp::Category& file = fileCategory(logFile);
  logger::setRouter(std::make_shared<ToolRouter>(printCategory(verbose), file));
}

}  // namespace talmeq::cli
