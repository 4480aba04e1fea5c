// Fuzzes the calibration-file read path: the input becomes the file that the
// height measurement and the correction read.
#include "calibrationChecks.h"
#include "fuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talmeq::fuzz::silenceLogger();
  static const std::string path = talmeq::fuzz::scratchFile(".yml");
  talmeq::fuzz::writeBytes(path, std::string(reinterpret_cast<const char*>(data), size));
  talmeq::fuzz::checkExportsOn(path);
  return 0;
}
