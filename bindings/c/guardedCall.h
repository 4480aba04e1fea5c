// The boundary of every C call: it turns C++ exceptions into result codes
// and keeps the text of the last such failure per thread.
#pragma once

#include <talmeq/talmeqC.h>

#include <stdexcept>
#include <string>

namespace talmeq::capi {

// A malformed call of this interface; becomes TALMEQ_INVALID_ARGUMENT.
class InvalidArgument : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws InvalidArgument with `message` unless `condition` holds.
void require(bool condition, const char* message);

// Stores the text talmeq_last_error() gives on this thread.
void setLastError(const char* text) noexcept;

// Runs `body`, which returns the export's result code, so that nothing
// escapes: InvalidArgument gives TALMEQ_INVALID_ARGUMENT, every other
// exception (cv::Exception with OpenCV's full message, std::bad_alloc, ...)
// TALMEQ_EXCEPTION, both with their text as the last error; a call that
// returns clears the last error.
template <class Body>
int guardedCall(Body&& body) noexcept {
  try {
    const int code = body();
    setLastError("");
    return code;
  } catch (const InvalidArgument& error) {
    setLastError(error.what());
    return TALMEQ_INVALID_ARGUMENT;
  } catch (const std::exception& error) {
    setLastError(error.what());
    return TALMEQ_EXCEPTION;
  } catch (...) {
    setLastError("an exception of an unknown type");
    return TALMEQ_EXCEPTION;
  }
}

}  // namespace talmeq::capi
