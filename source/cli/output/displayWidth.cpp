// Display width of UTF-8 text (see displayWidth.h).
#include "displayWidth.h"

#include <array>
#include <utility>

namespace talmeq::cli {
namespace {

using Range = std::pair<char32_t, char32_t>;

constexpr std::array kCombining{Range{0x0300, 0x036F}, Range{0x1AB0, 0x1AFF}, Range{0x1DC0, 0x1DFF},
                                Range{0x200B, 0x200F}, Range{0x20D0, 0x20FF}, Range{0xFE00, 0xFE0F},
                                Range{0xFE20, 0xFE2F}};
constexpr std::array kWide{Range{0x1100, 0x115F},   Range{0x2E80, 0x303E},  Range{0x3041, 0x33FF},
                           Range{0x3400, 0x4DBF},   Range{0x4E00, 0x9FFF},  Range{0xA000, 0xA4CF},
                           Range{0xAC00, 0xD7A3},   Range{0xF900, 0xFAFF},  Range{0xFE30, 0xFE4F},
                           Range{0xFF00, 0xFF60},   Range{0xFFE0, 0xFFE6},  Range{0x1F300, 0x1F64F},
                           Range{0x1F900, 0x1F9FF}, Range{0x20000, 0x3FFFD}};

template <std::size_t N>
bool within(char32_t c, const std::array<Range, N>& ranges) {
  for (const Range& range : ranges)
    if (c >= range.first && c <= range.second) return true;
  return false;
}

// Decodes the character at `i`, advancing `i`; a byte that does not start a
// valid sequence is returned as itself.
char32_t next(const std::string& text, std::size_t& i) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
  const unsigned char lead = byte(i);
  const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length <= 1 || i + length > text.size()) {
    ++i;
    return lead;
  }
  char32_t c = lead & (0xFF >> (length + 1));
  for (int k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return lead;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  i += length;
  return c;
}

}  // namespace

std::size_t displayWidth(const std::string& text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = next(text, i);
    width += within(c, kCombining) ? 0 : within(c, kWide) ? 2 : 1;
  }
  return width;
}

}  // namespace talmeq::cli
