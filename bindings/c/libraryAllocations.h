// The pixel buffers the C interface hands to hosts: each allocation is
// registered until talmeq_free releases it, so that a host's output image
// whose buffer was released already is refused, and a pointer released
// twice, or never handed out, is not freed.
#pragma once

#include <cstddef>

namespace talmeq::capi {

// `bytes` bytes, registered as the library's; std::bad_alloc when there is no room.
unsigned char* allocatePixels(std::size_t bytes);

// Releases a registered buffer; false (and nothing freed) for any other pointer.
bool releasePixels(void* data) noexcept;

// Whether `data` is a registered buffer not yet released.
bool livePixels(const void* data);

}  // namespace talmeq::capi
