// Run-time control of the logging component (see logger.h), for a host that
// decides at any time, from any thread, what the library's messages do:
// which entries each stream writes, where the default file lies, and a
// callback that receives every entry once.
//
// The defaults are those of logger.h: both streams write INFO and above, the
// print stream to standard output, the file stream to TALMEQ_LOG_FILE or
// "talmeqAlgorithm.log" in the working directory, and no callback.
//
// An appender or callback that throws never reaches the caller: the entry is
// dropped for it, the failure counted (failedWrites), and the first failure
// of each stream is recorded once, at ERROR, on the other stream.
#pragma once

#include <talmeq/loggerExport.h>

#include <cstdint>
#include <functional>
#include <string>

namespace logger {

// The two streams of logger.h.
enum class Stream { kPrint = 0, kFile = 1 };

// The least severe entry a stream writes: messages (INFO) and failure
// records, failure records (ERROR) alone, or nothing.
enum class Level { kInfo = 0, kError = 1, kOff = 2 };

// The entries below `level` are dropped from `stream`, whichever router is
// installed. kOff turns the stream off; the file stream turned off before
// the library's first entry opens no file until it is turned on again.
LOGGER_EXPORT void setLevel(Stream stream, Level level);
LOGGER_EXPORT Level level(Stream stream);

// Receives every entry once, as the print stream gets it (each message is
// written to both streams with the same text), at `minimum` and above,
// whatever the two streams' own levels: the entry's level (kInfo or kError)
// and its text. An empty function removes the callback. The callback runs on
// the thread that logs, while the library call waits for it.
using Callback = std::function<void(Level level, const std::string& text)>;
LOGGER_EXPORT void setCallback(Callback callback, Level minimum = Level::kInfo);

// The folder of the default file stream's file: its entries go to the file
// of the same name (the name TALMEQ_LOG_FILE gives, or
// "talmeqAlgorithm.log") in `folder`, from now on. An empty folder restores
// the file TALMEQ_LOG_FILE names or the working directory's. It has no
// effect on a set-up from TALMEQ_LOG_CONFIG. std::runtime_error when the
// file cannot be opened there; the stream then stays where it was.
LOGGER_EXPORT void setFileFolder(const std::string& folder);

// The number of entries an appender or the callback failed to take since the
// process started.
LOGGER_EXPORT std::uint64_t failedWrites();

}  // namespace logger
