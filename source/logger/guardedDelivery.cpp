// Guarded delivery of the logger's entries (see guardedDelivery.h) and the
// levels, callback and failure count the host sets (loggerControl.h).
#include "guardedDelivery.h"

#include <atomic>
#include <log4cpp/Appender.hh>
#include <log4cpp/LoggingEvent.hh>
#include <log4cpp/NDC.hh>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace logger {
namespace {

std::atomic<int> streamLevels[2] = {{static_cast<int>(Level::kInfo)}, {static_cast<int>(Level::kInfo)}};
std::atomic<std::uint64_t> failures{0};
std::atomic<bool> failureRecorded[2] = {{false}, {false}};

struct CallbackEntry {
  Callback callback;
  Level minimum;
};
std::mutex callbackMutex;
std::shared_ptr<const CallbackEntry> installedCallback;

std::shared_ptr<const CallbackEntry> currentCallback() {
  std::lock_guard<std::mutex> lock(callbackMutex);
  return installedCallback;
}

// The level of an entry: the library writes messages at INFO and failure
// records at ERROR; ERROR and more severe count as failure records, the rest
// as messages.
Level levelOf(log4cpp::Priority::Value priority) {
  return priority <= log4cpp::Priority::ERROR ? Level::kError : Level::kInfo;
}

bool passes(Level entry, Level minimum) { return static_cast<int>(entry) >= static_cast<int>(minimum); }

int index(Stream stream) { return stream == Stream::kPrint ? 0 : 1; }

// Counts a failed write and, for the first failure of `stream`, writes one
// record of it to the other stream (whose own failures are only counted).
void recordFailure(Stream stream, const char* what) noexcept {
  ++failures;
  if (failureRecorded[index(stream)].exchange(true)) return;
  const Stream other = stream == Stream::kPrint ? Stream::kFile : Stream::kPrint;
  try {
    detail::guardFor(detail::routedCategory(other), other)
        .error(std::string("talmeq logger: the ") + (stream == Stream::kPrint ? "print" : "file") +
               " stream could not write an entry (" + what + "); later failures are only counted");
  } catch (...) {
    ++failures;
  }
}

// Stores a failure's text; without memory for it the text stays as it was.
void keepReason(std::string& reason, const char* text) noexcept {
  try {
    reason = text;
  } catch (...) {
  }
}

// Runs `write`; false, with what it threw in `reason`, when it threw.
template <class Write>
bool wrote(Write&& write, std::string& reason) noexcept {
  try {
    write();
    return true;
  } catch (const std::exception& error) {
    keepReason(reason, error.what());
  } catch (...) {
    keepReason(reason, "an exception of an unknown type");
  }
  return false;
}

}  // namespace

namespace detail {

GuardedCategory::GuardedCategory(log4cpp::Category& target, Stream stream)
    : Category(target.getName(), nullptr, log4cpp::Priority::NOTSET), target_(target), stream_(stream) {}

bool GuardedCategory::targetWrites(log4cpp::Priority::Value priority) const noexcept {
  return passes(levelOf(priority), level(stream_)) && target_.isPriorityEnabled(priority);
}

bool GuardedCategory::isPriorityEnabled(log4cpp::Priority::Value priority) const noexcept {
  if (targetWrites(priority)) return true;
  if (stream_ != Stream::kPrint) return false;
  const auto callback = currentCallback();
  return callback && passes(levelOf(priority), callback->minimum);
}

void GuardedCategory::_logUnconditionally2(log4cpp::Priority::Value priority, const std::string& message) noexcept {
  int failed = 0;
  std::string reason;
  const bool done = wrote(
      [&] {
        const log4cpp::LoggingEvent event(target_.getName(), message, log4cpp::NDC::get(), priority);
        if (targetWrites(priority)) {
          // One delivery at a time, as log4cpp's own delivery holds its
          // category's lock: appenders are not safe to call from two threads
          // at once. The category's appenders, then its parents' while
          // additivity holds; each appender guarded alone.
          std::lock_guard<std::recursive_mutex> delivering(deliveryMutex());
          for (log4cpp::Category* category = &target_; category != nullptr;
               category = category->getAdditivity() ? category->getParent() : nullptr)
            for (log4cpp::Appender* appender : category->getAllAppenders())
              failed += !wrote([&] { appender->doAppend(event); }, reason);
        }
        if (stream_ != Stream::kPrint) return;
        const auto callback = currentCallback();
        if (callback && passes(levelOf(priority), callback->minimum))
          failed += !wrote([&] { callback->callback(levelOf(priority), message); }, reason);
      },
      reason);
  // Recorded once the delivery lock is released: the record is an entry too.
  for (int i = failed + !done; i > 0; --i) recordFailure(stream_, reason.c_str());
}

GuardedCategory& guardFor(log4cpp::Category& target, Stream stream) {
  static std::mutex mutex;
  static std::map<std::pair<const log4cpp::Category*, int>, std::unique_ptr<GuardedCategory>> guards;
  std::lock_guard<std::mutex> lock(mutex);
  auto& guard = guards[{&target, index(stream)}];
  if (!guard) guard = std::make_unique<GuardedCategory>(target, stream);
  return *guard;
}

std::recursive_mutex& deliveryMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

}  // namespace detail

void setLevel(Stream stream, Level level) {
  streamLevels[index(stream)] = static_cast<int>(level);
  if (stream == Stream::kFile && level != Level::kOff) detail::fileStreamTurnedOn();
}

Level level(Stream stream) { return static_cast<Level>(streamLevels[index(stream)].load()); }

void setCallback(Callback callback, Level minimum) {
  auto entry = callback ? std::make_shared<const CallbackEntry>(CallbackEntry{std::move(callback), minimum}) : nullptr;
  std::shared_ptr<const CallbackEntry> previous;
  {
    std::lock_guard<std::mutex> lock(callbackMutex);
    previous = std::move(installedCallback);
    installedCallback = std::move(entry);
  }
  // The previous callback is let go outside the lock: releasing it may wait
  // (a Python function takes the interpreter's lock to be freed).
}

std::uint64_t failedWrites() { return failures.load(); }

}  // namespace logger
