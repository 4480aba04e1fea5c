// glibc only: the malloc family is replaced by wrappers around glibc's own
// allocator (__libc_*), which the dynamic linker binds for every library of
// the process, OpenCV included. Sizes are the usable sizes of the blocks.
#include "heapCounter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> allocations{0};

void* counted(void* block) {
  if (block == nullptr) return block;
  ++allocations;
  const std::size_t now = inUse += malloc_usable_size(block);
  std::size_t high = peak.load();
  while (now > high && !peak.compare_exchange_weak(high, now)) {
  }
  return block;
}

void uncount(void* block) {
  if (block != nullptr) inUse -= malloc_usable_size(block);
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) { return counted(__libc_malloc(size)); }
void* calloc(std::size_t count, std::size_t size) { return counted(__libc_calloc(count, size)); }
void free(void* block) {
  uncount(block);
  __libc_free(block);
}
void* realloc(void* block, std::size_t size) {
  uncount(block);
  return counted(__libc_realloc(block, size));
}
void* memalign(std::size_t alignment, std::size_t size) { return counted(__libc_memalign(alignment, size)); }
void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }
int posix_memalign(void** block, std::size_t alignment, std::size_t size) {
  *block = memalign(alignment, size);
  return *block == nullptr && size != 0 ? ENOMEM : 0;
}
void* valloc(std::size_t size) { return memalign(4096, size); }

}  // extern "C"

namespace talmeq::bench {

std::size_t heapInUse() { return inUse.load(); }
void resetHeapPeak() { peak = inUse.load(); }
std::size_t heapPeak() { return peak.load(); }
std::size_t heapAllocations() { return allocations.load(); }

}  // namespace talmeq::bench
