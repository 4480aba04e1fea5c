// A logger::Router for the command-line tool (see logRouting.h).
#include "logRouting.h"

#include <sys/stat.h>
#include <talmeq/logger.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <log4cpp/Category.hh>
#include <log4cpp/FileAppender.hh>
#include <log4cpp/OstreamAppender.hh>
#include <memory>
#ifdef _WIN32
#include <io.h>
#include <wchar.h>
#else
#include <unistd.h>
#endif

namespace talmeq::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDefaultLogFile = "talmeqAlgorithm.log";

// The file log's file when the tool knows it (not when a properties file
// configures the logger), and whether this run created it.
std::string fileLogFile;
bool fileLogCreated = false;

// Visual C++ deprecates getenv for _dupenv_s, which MinGW's msvcrt lacks.
std::string environmentValue(const char* name) {
#ifdef _MSC_VER
  char* value = nullptr;
  std::size_t size = 0;
  if (_dupenv_s(&value, &size, name) != 0 || value == nullptr) return {};
  const std::unique_ptr<char, decltype(&std::free)> owned(value, &std::free);
  return owned.get();
#else
  const char* value = std::getenv(name);
  return value ? value : "";
#endif
}

log4cpp::Category& categoryWith(const std::string& name, log4cpp::Appender* appender) {
  log4cpp::Category& category = log4cpp::Category::getInstance(name);
  category.removeAllAppenders();
  category.setAdditivity(false);
  if (appender) {
    appender->setLayout(logger::newLineLayout());
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
  if (!logFile.empty()) return categoryWith("talmeq.cli.file", new log4cpp::FileAppender("talmeq.cli.file", logFile));
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

// The log file this run created, for the handlers of Ctrl-C and SIGTERM:
// a run ended before the library wrote a line to it leaves no empty file.
// The handlers then pass the signal on to the ones they replaced.
fs::path::value_type createdLog[4096];
std::atomic<bool> createdLogNoted{false};
using SignalHandler = void (*)(int);
SignalHandler previousOnInterrupt = SIG_DFL, previousOnTerminate = SIG_DFL;

void removeEmptyLogOnSignal(int signal) {
  if (createdLogNoted.load()) {
#ifdef _WIN32
    struct _stat64 info;
    if (_wstat64(createdLog, &info) == 0 && info.st_size == 0) _wunlink(createdLog);
#else
    struct stat info;
    if (stat(createdLog, &info) == 0 && info.st_size == 0) unlink(createdLog);
#endif
  }
  const SignalHandler previous = signal == SIGINT ? previousOnInterrupt : previousOnTerminate;
  if (previous == SIG_IGN) return;
  if (previous != SIG_DFL && previous != SIG_ERR) return previous(signal);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void removeEmptyLogOnInterrupt(const std::string& path) {
  const fs::path::string_type native = fs::u8path(path).native();
  if (native.size() >= std::size(createdLog)) return;
  std::copy(native.begin(), native.end(), createdLog);
  createdLog[native.size()] = 0;
  createdLogNoted = true;
  previousOnInterrupt = std::signal(SIGINT, removeEmptyLogOnSignal);
  previousOnTerminate = std::signal(SIGTERM, removeEmptyLogOnSignal);
}

}  // namespace

std::string fileLogPath(const std::string& logFile) {
  if (!logFile.empty()) return logFile;
  if (!environmentValue("TALMEQ_LOG_CONFIG").empty()) return {};
  const std::string configured = environmentValue("TALMEQ_LOG_FILE");
  return configured.empty() ? kDefaultLogFile : configured;
}

std::string routeLibraryLog(bool verbose, const std::string& logFile) {
  std::string warning;
  fileLogFile = fileLogPath(logFile);
  if (!fileLogFile.empty()) {
    std::error_code error;
    const bool existed = fs::exists(fs::u8path(fileLogFile), error);
    const bool writable = static_cast<bool>(std::ofstream(fs::u8path(fileLogFile), std::ios::app));
    fileLogCreated = writable && !existed;
    if (fileLogCreated) removeEmptyLogOnInterrupt(fileLogFile);
    if (!writable)
      warning = "cannot write the log file " + fileLogFile + ": the library's file log of this run is lost";
  }
  log4cpp::Category& file = fileCategory(logFile);
  logger::setRouter(std::make_shared<ToolRouter>(printCategory(verbose), file));
  return warning;
}

void closeLibraryLog() {
  logger::setRouter(nullptr);
  log4cpp::Category::shutdown();
  if (!fileLogCreated) return;
  std::error_code error;
  const fs::path path = fs::u8path(fileLogFile);
  if (fs::is_regular_file(path, error) && fs::file_size(path, error) == 0 && !error) fs::remove(path, error);
}

}  // namespace talmeq::cli
