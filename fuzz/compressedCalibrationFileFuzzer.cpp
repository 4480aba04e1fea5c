// Fuzzes compressed calibration files. The first byte chooses how the rest,
// the file's text, is stored under a ".yml.gz" name: gzip at one of the ten
// levels, then whole, cut short or followed by a second gzip member, or not
// compressed at all (read as it stands). The reading is
// checked against OpenCV's, then the exports run on the file.
#include <zlib.h>

#include "calibrationChecks.h"
#include "fuzzSupport.h"

namespace {

std::string gzip(const std::string& text, int level) {
  z_stream stream{};
  if (deflateInit2(&stream, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
  std::string packed(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(packed.data());
  stream.avail_out = static_cast<uInt>(packed.size());
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) std::abort();
  packed.resize(stream.total_out);
  deflateEnd(&stream);
  return packed;
}

std::string stored(std::uint8_t mode, const std::string& text) {
  const std::string packed = gzip(text, mode % 10);
  switch (mode / 10 % 4) {
    case 1:
      return packed.substr(0, packed.size() * (mode % 7) / 8);
    case 2:
      return packed + gzip(text.substr(0, mode % 5), mode % 10);
    case 3:
      return text;
    default:
      return packed;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talmeq::fuzz::silenceLogger();
  talmeq::fuzz::ByteReader bytes(data, size);
  const std::uint8_t mode = bytes.next();
  const std::string text(reinterpret_cast<const char*>(bytes.rest()), bytes.restSize());
  const std::string path = talmeq::fuzz::writeScratch(".yml.gz", stored(mode, text));
  talmeq::fuzz::checkAgainstOpenCv(path);
  talmeq::fuzz::checkExportsOn(path);
  return 0;
}
