// The per-thread last error of the C interface (see guardedCall.h).
#include "guardedCall.h"

#include <cstring>

namespace talmeq::capi {
namespace {

// A character array, not a std::string: a thread_local with a destructor is
// freed before that destructor runs when a MinGW-built thread ends, and the
// text needs no heap this way. Longer texts are cut at a character boundary.
constexpr std::size_t kLastErrorCapacity = 4096;
thread_local char lastError[kLastErrorCapacity];

}  // namespace

void require(bool condition, const char* message) {
  if (!condition) throw InvalidArgument(message);
}

void setLastError(const char* text) noexcept {
  std::size_t length = std::strlen(text);
  if (length >= kLastErrorCapacity) {
    length = kLastErrorCapacity - 1;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;  // UTF-8 continuation
  }
  std::memcpy(lastError, text, length);
  lastError[length] = '\0';
}

}  // namespace talmeq::capi

const char* talmeq_last_error(void) { return talmeq::capi::lastError; }
