// log4cpp implementation of the logging component (see logger.h).
#include <talmeq/logger.h>
#include <talmeq/loggerControl.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <log4cpp/Category.hh>
#include <log4cpp/OstreamAppender.hh>
#include <log4cpp/PropertyConfigurator.hh>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "guardedDelivery.h"

namespace logger {
namespace {

constexpr const char* kPrintCategory = "talmeq.print";
constexpr const char* kFileCategory = "talmeq.file";
constexpr const char* kDefaultLogFile = "talmeqAlgorithm.log";
constexpr std::size_t kRotateBytes = 10 * 1024 * 1024;
constexpr unsigned int kRotateBackups = 5;

// The value of an environment variable, empty when it is not set. Visual
// C++ deprecates getenv for _dupenv_s, which MinGW's msvcrt lacks.
std::string environment(const char* name) {
#ifdef _MSC_VER
  char* value = nullptr;
  std::size_t length = 0;
  if (_dupenv_s(&value, &length, name) != 0 || value == nullptr) return {};
  std::string copy(value);
  std::free(value);
  return copy;
#else
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
#endif
}

void attach(log4cpp::Category& category, log4cpp::Appender* appender) {
  appender->setLayout(newLineLayout());
  category.removeAllAppenders();
  category.addAppender(appender);  // the category owns the appender
  category.setAdditivity(false);
  category.setPriority(log4cpp::Priority::INFO);
}

// The folder a host chose for the default file (setFileFolder), empty for
// the default path, and whether the default file stream is set up; both
// guarded by folderMutex.
std::mutex folderMutex;
std::string fileFolder;
bool defaultsAttached = false;
bool fileDeferred = false;  // the file stream was off at the set-up: no file opened yet

// The default file stream's path: TALMEQ_LOG_FILE or the default name, moved
// into `folder` when one is given.
std::string defaultFilePath(const std::string& folder) {
  std::string path = environment("TALMEQ_LOG_FILE");
  if (path.empty()) path = kDefaultLogFile;
  if (folder.empty()) return path;
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + '/' + name;
}

void configureDefaults() {
  attach(log4cpp::Category::getInstance(kPrintCategory), new log4cpp::OstreamAppender("talmeq.print", &std::cout));
  std::lock_guard<std::mutex> lock(folderMutex);
  defaultsAttached = true;
  // A host that turned the file stream off first gets no file at all until
  // it turns the stream on.
  fileDeferred = level(Stream::kFile) == Level::kOff;
  if (fileDeferred) return;
  attach(log4cpp::Category::getInstance(kFileCategory),
         newRotatingFile("talmeq.file", defaultFilePath(fileFolder), kRotateBytes, kRotateBackups));
}

void configure() {
  const std::string config = environment("TALMEQ_LOG_CONFIG");
  if (!config.empty()) {
    try {
      log4cpp::PropertyConfigurator::configure(config);
      return;
    } catch (const log4cpp::ConfigureFailure& failure) {
      std::cerr << "talmeq logger: " << failure.what() << "; using the default set-up\n";
    }
  }
  configureDefaults();
}

// The two configured categories, set up once, on first use, by whichever
// thread comes first. log4cpp keeps a category for the life of the process,
// so the references stay valid.
struct Configured {
  log4cpp::Category& print;
  log4cpp::Category& file;
};
const Configured& configured() {
  static const Configured categories = [] {
    configure();
    return Configured{log4cpp::Category::getInstance(kPrintCategory), log4cpp::Category::getInstance(kFileCategory)};
  }();
  return categories;
}

// The router used unless another is installed: the two configured categories.
class DefaultRouter final : public Router {
 public:
  log4cpp::Category& print() override { return configured().print; }
  log4cpp::Category& file() override { return configured().file; }
};

std::mutex routerMutex;
std::shared_ptr<Router>& installedRouter() {
  static std::shared_ptr<Router> router = std::make_shared<DefaultRouter>();
  return router;
}

std::shared_ptr<Router> currentRouter() {
  std::lock_guard<std::mutex> lock(routerMutex);
  return installedRouter();
}

}  // namespace

Router::~Router() = default;

void setRouter(std::shared_ptr<Router> router) {
  if (!router) router = std::make_shared<DefaultRouter>();
  std::lock_guard<std::mutex> lock(routerMutex);
  installedRouter() = std::move(router);
}

// The router's categories are asked for here, on the caller's side, so that
// a router that throws still reaches the caller; the entries themselves go
// through the guards, which no appender's failure leaves.
log4cpp::CategoryStream logPrint() { return detail::guardFor(currentRouter()->print(), Stream::kPrint).infoStream(); }

log4cpp::CategoryStream logFile() { return detail::guardFor(currentRouter()->file(), Stream::kFile).infoStream(); }

void log(std::string file, std::string function, int line, int code) {
  std::ostringstream record;
  record << function << " returned " << code << " at " << file << ':' << line;
  const auto router = currentRouter();
  detail::guardFor(router->print(), Stream::kPrint).error(record.str());
  detail::guardFor(router->file(), Stream::kFile).error(record.str());
}

void detail::fileStreamTurnedOn() {
  std::lock_guard<std::mutex> lock(folderMutex);
  if (!fileDeferred) return;
  fileDeferred = false;
  std::lock_guard<std::recursive_mutex> replacing(detail::deliveryMutex());
  attach(log4cpp::Category::getInstance(kFileCategory),
         newRotatingFile("talmeq.file", defaultFilePath(fileFolder), kRotateBytes, kRotateBackups));
}

log4cpp::Category& detail::routedCategory(Stream stream) {
  const auto router = currentRouter();
  return stream == Stream::kPrint ? router->print() : router->file();
}

void setFileFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(folderMutex);
  const std::string path = defaultFilePath(folder);
  if (!folder.empty() && !std::ofstream(path, std::ios::app))
    throw std::runtime_error("the log file " + path + " cannot be opened");
  fileFolder = folder;
  // Before the default set-up (or while its file waits for the stream to be
  // turned on) the folder is read when the file is opened; after, the file
  // stream's appender is replaced while no entry is being delivered.
  if (!defaultsAttached || fileDeferred) return;
  std::lock_guard<std::recursive_mutex> replacing(detail::deliveryMutex());
  attach(log4cpp::Category::getInstance(kFileCategory),
         newRotatingFile("talmeq.file", path, kRotateBytes, kRotateBackups));
}

}  // namespace logger
