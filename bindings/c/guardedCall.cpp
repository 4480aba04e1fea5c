// The per-thread last error of the C interface (see guardedCall.h).
#include "guardedCall.h"

namespace talmeq::capi {
namespace {

thread_local std::string lastError;

}  // namespace

void require(bool condition, const char* message) {
  if (!condition) throw InvalidArgument(message);
}

void setLastError(const char* text) noexcept {
  try {
    lastError = text;
  } catch (...) {
    lastError.clear();  // out of memory for the text: an empty text beats none
  }
}

}  // namespace talmeq::capi

const char* talmeq_last_error(void) { return talmeq::capi::lastError.c_str(); }
