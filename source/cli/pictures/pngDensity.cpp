// The pHYs chunk of a PNG (see pngDensity.h).
#include "pngDensity.h"

#include <zlib.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace talmeq::cli {
namespace {

constexpr std::size_t kHeaderEnd = 8 + 4 + 4 + 13 + 4;  // signature, then the IHDR chunk
constexpr double kMetresPerInch = 0.0254;

void appendBigEndian(std::vector<unsigned char>& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(value >> shift));
}

}  // namespace

std::vector<unsigned char> withPixelDensity(std::vector<unsigned char> png, double dotsPerInch) {
  if (png.size() < kHeaderEnd || png[12] != 'I' || png[13] != 'H') throw std::runtime_error("not a PNG stream");
  const auto perMetre = static_cast<std::uint32_t>(std::lround(dotsPerInch / kMetresPerInch));
  std::vector<unsigned char> body{'p', 'H', 'Y', 's'};
  appendBigEndian(body, perMetre);
  appendBigEndian(body, perMetre);
  body.push_back(1);  // unit: metre
  std::vector<unsigned char> chunk;
  appendBigEndian(chunk, static_cast<std::uint32_t>(body.size() - 4));
  chunk.insert(chunk.end(), body.begin(), body.end());
  // A chunk's CRC is zlib's CRC-32 of its type and data.
  appendBigEndian(chunk, static_cast<std::uint32_t>(crc32(0L, body.data(), static_cast<uInt>(body.size()))));
  png.insert(png.begin() + kHeaderEnd, chunk.begin(), chunk.end());
  return png;
}

}  // namespace talmeq::cli
