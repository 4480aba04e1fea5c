// Text tables and the JSON document of a run (see output.h).
#include "output.h"

#include <talmeq/version.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <utility>

#include "terminal.h"

namespace talmeq::cli {
namespace {

constexpr std::size_t kColumnGap = 2;

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

// Columns of `text`: two for each wide East Asian character, none for a
// combining mark, one for every other character and for each byte that is
// not valid UTF-8, so that table columns stay aligned.
std::size_t displayWidth(const std::string& text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = next(text, i);
    width += within(c, kCombining) ? 0 : within(c, kWide) ? 2 : 1;
  }
  return width;
}

// A cell with its control characters (a line break or tab in a file name)
// written as escapes, so that each row stays one line of aligned columns.
std::string printable(const std::string& cell) {
  std::string text;
  for (const char c : cell) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      text += c;
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      text += escape;
    }
  }
  return text;
}

void printRow(const std::vector<std::string>& cells, const std::vector<std::size_t>& widths) {
  std::string text;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const std::string cell = printable(cells[i]);
    text += cell;
    if (i + 1 == cells.size()) break;
    const std::size_t width = i < widths.size() ? widths[i] : 0;
    text.append(width + kColumnGap - std::min(width, displayWidth(cell)), ' ');
  }
  clearStatusLine();
  std::cout << text << '\n' << std::flush;
}

}  // namespace

void Output::begin(const std::string& command, const nlohmann::json& shape) {
  document_ = {{"command", command},
               {"version", versionJson()},
               {"ok", nullptr},
               {"error", nullptr},
               {"warnings", nlohmann::json::array()}};
  document_.update(shape);
}

void Output::warn(const std::string& text, bool printed) {
  if (!document_.contains("warnings")) document_["warnings"] = nlohmann::json::array();
  document_["warnings"].push_back(text);
  if (printed) line("warning: " + text);
}

void Output::table(const Table& table) const {
  if (json_) return;
  std::vector<std::size_t> widths;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    std::vector<std::string> cells;
    for (const auto& row : table.rows)
      if (i < row.size()) cells.push_back(row[i]);
    widths.push_back(widestOf(cells, table.columns[i]));
  }
  printRow(table.columns, widths);
  for (const auto& row : table.rows) printRow(row, widths);
}

void Output::line(const std::string& text) const {
  if (json_) return;
  clearStatusLine();
  std::cout << text << '\n' << std::flush;
}

void Output::row(const std::vector<std::string>& cells, const std::vector<std::size_t>& widths) const {
  if (!json_) printRow(cells, widths);
}

void Output::finish() {
  if (!json_ || finished_) return;
  finished_ = true;
  clearStatusLine();
  std::string text;
  try {
    text = document_.dump(2);
  } catch (const nlohmann::json::type_error&) {
    // A file name whose bytes are not UTF-8 (a Latin-1 name from an old
    // share): its bad bytes become U+FFFD, and the document says so.
    warn("a name holds bytes that are not UTF-8; they are shown as U+FFFD", false);
    text = document_.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  }
  std::cout << text << std::endl;
}

std::size_t widestOf(const std::vector<std::string>& texts, const std::string& header) {
  std::size_t widest = displayWidth(header);
  for (const std::string& text : texts) widest = std::max(widest, displayWidth(printable(text)));
  return widest;
}

nlohmann::json nullKeys(std::initializer_list<const char*> keys) {
  nlohmann::json object = nlohmann::json::object();
  for (const char* key : keys) object[key] = nullptr;
  return object;
}

std::string versionText() {
  return std::string("talmeq ") + TALMEQ_VERSION + " (library " + TALMEQ_LIBRARY_VERSION + ")";
}

nlohmann::json versionJson() { return {{"tool", TALMEQ_VERSION}, {"library", TALMEQ_LIBRARY_VERSION}}; }

nlohmann::json number(double value) { return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(); }

}  // namespace talmeq::cli
