// Fuzzes the spot detector with small frames of any content: it must return
// one of its codes, and a found spot must lie inside the frame.
#include <talmeqAlgorithm.h>

#include <cstdlib>

#include "fuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talmeq::fuzz::silenceLogger();
  talmeq::fuzz::ByteReader bytes(data, size);
  const cv::Mat frame = talmeq::fuzz::decodeFrame(bytes);
  cv::Point coord(-1, -1);
  const int result = getSpotCoord(frame, coord);
  if (result != 0 && result != -1 && result != -2) std::abort();
  if (result != 0 && coord != cv::Point(0, 0)) std::abort();
  if (result == 0 && !cv::Rect(0, 0, frame.cols, frame.rows).contains(coord)) std::abort();
  return 0;
}
