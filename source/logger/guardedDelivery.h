// The delivery of every entry of the two streams: each router category is
// fronted by a guard category that applies the host's levels, feeds the
// callback and calls the category's appenders one by one, so that an
// appender or a callback that throws costs its entry, never the process.
// (log4cpp's own delivery is noexcept: a throwing appender would terminate.)
#pragma once

#include <talmeq/loggerControl.h>

#include <log4cpp/Category.hh>
#include <mutex>

namespace logger::detail {

// Stands in front of `target` for one stream: CategoryStream and the failure
// record write to it, and it passes what the levels let through to target's
// appenders (and its parents', by additivity) and to the callback.
class GuardedCategory final : public log4cpp::Category {
 public:
  GuardedCategory(log4cpp::Category& target, Stream stream);
  bool isPriorityEnabled(log4cpp::Priority::Value priority) const noexcept override;

 protected:
  void _logUnconditionally2(log4cpp::Priority::Value priority, const std::string& message) noexcept override;

 private:
  bool targetWrites(log4cpp::Priority::Value priority) const noexcept;
  log4cpp::Category& target_;
  Stream stream_;
};

// The guard of `target` on `stream`, made on first use and kept for the
// life of the process (log4cpp keeps its categories as long).
GuardedCategory& guardFor(log4cpp::Category& target, Stream stream);

// Opens the default file stream's file if the set-up left it closed because
// the stream was off; defined in logger.cpp.
void fileStreamTurnedOn();

// The installed router's category for `stream`; defined in logger.cpp.
log4cpp::Category& routedCategory(Stream stream);

// Held while an entry is delivered (one at a time: appenders are not safe
// to call from two threads at once) and while the default file stream
// changes its appender. Recursive: an appender or router that calls the
// library again delivers its own entries on the same thread.
std::recursive_mutex& deliveryMutex();

}  // namespace logger::detail
