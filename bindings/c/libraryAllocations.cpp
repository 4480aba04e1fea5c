// The registry of pixel buffers handed to hosts (see libraryAllocations.h).
#include "libraryAllocations.h"

#include <talmeq/talmeqC.h>

#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_set>

namespace talmeq::capi {
namespace {

std::mutex registryMutex;
std::unordered_set<const void*>& registry() {
  static std::unordered_set<const void*> buffers;
  return buffers;
}

}  // namespace

unsigned char* allocatePixels(std::size_t bytes) {
  void* data = std::malloc(bytes == 0 ? 1 : bytes);
  if (data == nullptr) throw std::bad_alloc();
  try {
    std::lock_guard<std::mutex> lock(registryMutex);
    registry().insert(data);
  } catch (...) {
    std::free(data);
    throw;
  }
  return static_cast<unsigned char*>(data);
}

bool releasePixels(void* data) noexcept {
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    if (registry().erase(data) == 0) return false;
  }
  std::free(data);
  return true;
}

bool livePixels(const void* data) {
  std::lock_guard<std::mutex> lock(registryMutex);
  return registry().count(data) != 0;
}

}  // namespace talmeq::capi

void talmeq_free(void* data) { talmeq::capi::releasePixels(data); }
