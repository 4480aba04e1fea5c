// Fuzzes the calibration-file read path. The input becomes the file, which
// must read the same through the library's reader and OpenCV's own parser
// (every input the reader accepts: OpenCV must not fail, hang or crash on it,
// and must give the same values bit for bit; every input it refuses must
// raise OpenCV's parse error), and which the height measurement and the
// correction then read.
#include "calibrationChecks.h"
#include "fuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talmeq::fuzz::silenceLogger();
  const std::string path = talmeq::fuzz::writeScratch(".yml", std::string(reinterpret_cast<const char*>(data), size));
  talmeq::fuzz::checkAgainstOpenCv(path);
  talmeq::fuzz::checkExportsOn(path);
  return 0;
}
