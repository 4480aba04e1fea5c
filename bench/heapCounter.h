// Counts the bytes the process holds on the heap: every malloc-family call
// (operator new and OpenCV's allocator end up there) is tracked, so the
// peak of one call can be read as the rise above the level at its start, and
// the number of blocks a call asks for as the rise of the allocation count.
#pragma once

#include <cstddef>

namespace talmeq::bench {

// Bytes currently allocated.
std::size_t heapInUse();

// Restarts the peak at the current level.
void resetHeapPeak();

// Highest level since the last reset.
std::size_t heapPeak();

// Blocks allocated since the process started (a realloc counts as one).
std::size_t heapAllocations();

}  // namespace talmeq::bench
