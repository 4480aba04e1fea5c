// The printable calibration target's files (see printableBoard.h).
#include "printableBoard.h"

#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <stdexcept>

namespace talmeq::cli {
namespace {

constexpr std::size_t kHeaderEnd = 8 + 4 + 4 + 13 + 4;  // signature, then the IHDR chunk
constexpr double kMetresPerInch = 0.0254;

void appendBigEndian(std::vector<unsigned char>& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(value >> shift));
}

}  // namespace

std::string svgBoard(const BoardLayout& layout, double unitMm) {
  std::ostringstream svg;
  svg.precision(10);
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << layout.size.width * unitMm << "mm\" height=\""
      << layout.size.height * unitMm << "mm\" viewBox=\"0 0 " << layout.size.width << ' ' << layout.size.height
      << "\" shape-rendering=\"crispEdges\">\n"
      << "<rect width=\"" << layout.size.width << "\" height=\"" << layout.size.height << "\" fill=\"white\"/>\n";
  int openMarker = -1;
  for (const DarkRect& dark : layout.dark) {
    if (dark.marker != openMarker) {
      if (openMarker >= 0) svg << "</g>\n";
      svg << "<g class=\"marker\" id=\"marker-" << dark.marker << "\">\n";
      openMarker = dark.marker;
    }
    svg << "<rect class=\"" << (dark.marker < 0 ? "square" : "cell") << "\" x=\"" << dark.rect.x << "\" y=\""
        << dark.rect.y << "\" width=\"" << dark.rect.width << "\" height=\"" << dark.rect.height
        << "\" fill=\"black\"/>\n";
  }
  if (openMarker >= 0) svg << "</g>\n";
  svg << "</svg>\n";
  return svg.str();
}

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
