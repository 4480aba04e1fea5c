// Catching what a library prints on standard error by itself: the image
// decoders (libpng, libjpeg) write their complaints there, where a script
// reading the tool's output would find lines the tool never wrote.
#pragma once

#include <functional>
#include <string>

namespace talmeq::cli {

// Runs `work` with standard error (descriptor 2) sent to a temporary file
// and returns what was written there; the stream is restored afterwards,
// also when `work` throws. Without a temporary file, `work` runs uncaught.
std::string caughtStandardError(const std::function<void()>& work);

}  // namespace talmeq::cli
