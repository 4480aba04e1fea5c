// The logging component the talmeq library writes through.
//
// Two streams carry every message: the print stream (standard output by
// default) and the file stream (a size-rotated file by default). A message is
// one statement streamed into the object that logPrint() or logFile()
// returns; the object emits its text as one entry when it is destroyed at the
// end of that statement. log() writes a failure record to both streams.
//
// Configuration happens once, thread-safely, on first use:
//   - TALMEQ_LOG_CONFIG names a log4cpp properties file that configures the
//     categories "talmeq.print" and "talmeq.file" itself;
//   - otherwise "talmeq.print" goes to standard output and "talmeq.file" to
//     TALMEQ_LOG_FILE, or "talmeqAlgorithm.log" in the working directory.
#pragma once

#include <talmeq/loggerExport.h>

#include <log4cpp/CategoryStream.hh>
#include <memory>
#include <string>

namespace log4cpp {
class Appender;
class Category;
class Layout;
}  // namespace log4cpp

namespace logger {

// The print stream at INFO.
LOGGER_EXPORT log4cpp::CategoryStream logPrint();

// The file stream at INFO.
LOGGER_EXPORT log4cpp::CategoryStream logFile();

// Failure record: writes "<function> returned <code> at <file>:<line>" at
// ERROR to the print stream and then to the file stream.
LOGGER_EXPORT void log(std::string file, std::string function, int line, int code);

// Where the two streams go. The default router hands out the configured
// "talmeq.print" and "talmeq.file" categories; a host (or a test) may install
// its own to capture or redirect every message.
class LOGGER_EXPORT Router {
 public:
  virtual ~Router();
  virtual log4cpp::Category& print() = 0;
  virtual log4cpp::Category& file() = 0;
};

// Installs `router` for all later calls from every thread; nullptr restores
// the default. The previous router stays alive while a call still uses it.
LOGGER_EXPORT void setRouter(std::shared_ptr<Router> router);

// The parts of the default set-up, for a router that builds its own
// categories. Each returns a new object that the appender (for the layout) or
// the category (for the appender) it is given to takes ownership of.
//
// The line layout: "<YYYY-MM-DD HH:MM:SS.mmm> <priority, padded to 5> <message>\n",
// the same text as log4cpp's PatternLayout "%d{%Y-%m-%d %H:%M:%S.%l} %-5p %m%n".
LOGGER_EXPORT log4cpp::Layout* newLineLayout();

// A file appended to at `path` and, once it holds `maxBytes` or more, renamed
// to `path`.1 (older files moving up to `path`.`backups`, the oldest
// removed) and started afresh, as log4cpp's RollingFileAppender does.
LOGGER_EXPORT log4cpp::Appender* newRotatingFile(const std::string& name, const std::string& path, std::size_t maxBytes,
                                                 unsigned int backups);

}  // namespace logger

// A host's run-time control of both streams: levels, a callback, the file's
// folder, and the count of failed writes.
#include <talmeq/loggerControl.h>
