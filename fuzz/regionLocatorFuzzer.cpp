// Fuzzes the region spot locator with small frames and regions that may lie
// partly or wholly outside them, or have negative sizes: it must return one
// of its codes or raise OpenCV's error, and a found spot must lie inside the
// region.
#include <talmeqInternal.h>

#include <cstdlib>

#include "fuzzSupport.h"

namespace {

// A coordinate from -8 to 71 around a frame of at most 64 pixels a side.
int regionCoordinate(talmeq::fuzz::ByteReader& bytes) { return bytes.next() % 80 - 8; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talmeq::fuzz::ByteReader bytes(data, size);
  const int x = regionCoordinate(bytes), y = regionCoordinate(bytes);
  const int width = regionCoordinate(bytes), height = regionCoordinate(bytes);
  const cv::Rect roi(x, y, width, height);
  const cv::Mat frame = talmeq::fuzz::decodeFrame(bytes);
  cv::Point spot(-1, -1);
  int result = 0;
  try {
    result = talmeq::detail::getSpotCoordInRoI(frame, roi, spot);
  } catch (const cv::Exception&) {
    // Only a region outside the frame or of negative size may raise.
    if ((roi & cv::Rect(0, 0, frame.cols, frame.rows)) == roi && width >= 0 && height >= 0) std::abort();
    return 0;
  }
  if (result != 0 && result != -1) std::abort();
  if (result != 0 && spot != cv::Point(0, 0)) std::abort();
  if (result == 0 && spot != cv::Point(0, 0) && !roi.contains(spot)) std::abort();
  return 0;
}
