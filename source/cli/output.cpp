// Text tables and the JSON document of a run (see output.h).
#include "output.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace talmeq::cli {
namespace {

std::vector<std::size_t> columnWidths(const Table& table) {
  std::vector<std::size_t> widths;
  for (const std::string& column : table.columns) widths.push_back(column.size());
  for (const auto& row : table.rows) {
    for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i)
      widths[i] = std::max(widths[i], row[i].size());
  }
  return widths;
}

void printRow(const std::vector<std::string>& cells, const std::vector<std::size_t>& widths) {
  std::string text;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    std::string cell = cells[i];
    if (i + 1 < cells.size()) cell.resize(widths[i] + 2, ' ');
    text += cell;
  }
  std::cout << text << '\n';
}

}  // namespace

void Output::table(const Table& table) const {
  if (json_) return;
  const std::vector<std::size_t> widths = columnWidths(table);
  printRow(table.columns, widths);
  for (const auto& row : table.rows) printRow(row, widths);
}

void Output::line(const std::string& text) const {
  if (!json_) std::cout << text << '\n';
}

void Output::finish() {
  if (!json_ || finished_) return;
  finished_ = true;
  std::cout << document_.dump(2) << std::endl;
}

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace talmeq::cli
