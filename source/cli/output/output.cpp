// Text tables and the JSON document of a run (see output.h).
#include "output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "displayWidth.h"
#include "terminal.h"
#include "versionText.h"

namespace talmeq::cli {
namespace {

constexpr double kLargestFixed = 1e9;
constexpr std::size_t kColumnGap = 2;

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

StreamedTable::StreamedTable(const Output& output, std::vector<std::string> columns, std::vector<std::size_t> widths)
    : output_(output), widths_(std::move(widths)) {
  for (std::size_t i = 0; i < columns.size() && i < widths_.size(); ++i)
    widths_[i] = std::max(widths_[i], displayWidth(columns[i]));
  if (!output_.json()) printRow(columns, widths_);
}

void StreamedTable::row(const std::vector<std::string>& cells) const {
  if (!output_.json()) printRow(cells, widths_);
}

std::size_t widestOf(const std::vector<std::string>& texts, const std::string& header) {
  std::size_t widest = displayWidth(header);
  for (const std::string& text : texts) widest = std::max(widest, displayWidth(printable(text)));
  return widest;
}

std::string fixed(double value, int decimals) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[64];
  if (std::fabs(value) >= kLargestFixed)
    std::snprintf(text, sizeof text, "%.6g", value);
  else
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

nlohmann::json nullKeys(std::initializer_list<const char*> keys) {
  nlohmann::json object = nlohmann::json::object();
  for (const char* key : keys) object[key] = nullptr;
  return object;
}

nlohmann::json number(double value) { return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(); }

}  // namespace talmeq::cli
