// Differential fuzzing of the calibration-file reader: every input the
// library's strict reader accepts must read the same, bit for bit, through
// OpenCV's own parser, which must not fail, hang (the fuzzer's timeout) or
// crash on it; every input it refuses must raise OpenCV's parse error.
#include "calibrationChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = talmeq::fuzz::scratchFile(".yml");
  talmeq::fuzz::writeBytes(path, std::string(reinterpret_cast<const char*>(data), size));
  talmeq::fuzz::checkAgainstOpenCv(path);
  return 0;
}
