// What the soak run watches of its own process: resident memory and open
// file descriptors (handles on Windows).
#pragma once

#include <cstddef>

namespace talmeq::soak {

// Resident memory in bytes.
std::size_t residentBytes();

// Open file descriptors (on Windows: open handles of any kind).
std::size_t openDescriptors();

}  // namespace talmeq::soak
