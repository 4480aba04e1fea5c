// The logger's run-time control behind the C interface (talmeqC.h).
#include <talmeq/logger.h>

#include "guardedCall.h"

using namespace talmeq::capi;

static_assert(TALMEQ_LOG_PRINT == int(logger::Stream::kPrint) && TALMEQ_LOG_FILE == int(logger::Stream::kFile));
static_assert(TALMEQ_LOG_INFO == int(logger::Level::kInfo) && TALMEQ_LOG_ERROR == int(logger::Level::kError) &&
              TALMEQ_LOG_OFF == int(logger::Level::kOff));

namespace {

logger::Level levelOf(int level) {
  require(level >= TALMEQ_LOG_INFO && level <= TALMEQ_LOG_OFF, "level is not a TALMEQ_LOG_ level");
  return static_cast<logger::Level>(level);
}

}  // namespace

int talmeq_setLogLevel(int stream, int level) {
  return guardedCall([&] {
    require(stream == TALMEQ_LOG_PRINT || stream == TALMEQ_LOG_FILE, "stream is not TALMEQ_LOG_PRINT or _FILE");
    logger::setLevel(static_cast<logger::Stream>(stream), levelOf(level));
    return 0;
  });
}

int talmeq_setLogCallback(talmeq_log_callback callback, void* context, int minimum) {
  return guardedCall([&] {
    const logger::Level least = levelOf(minimum);
    if (callback == nullptr) {
      logger::setCallback(nullptr);
      return 0;
    }
    logger::setCallback(
        [callback, context](logger::Level level, const std::string& text) {
          callback(static_cast<int>(level), text.c_str(), context);
        },
        least);
    return 0;
  });
}

int talmeq_setLogFolder(const char* folder) {
  return guardedCall([&] {
    logger::setFileFolder(folder == nullptr ? "" : folder);
    return 0;
  });
}

unsigned long long talmeq_logFailedWrites(void) { return logger::failedWrites(); }
