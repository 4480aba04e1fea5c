// Rows built once for the table and the JSON (see reportRow.h).
#include "reportRow.h"

namespace talmeq::cli {

ReportRow& ReportRow::shown(const char* key, const nlohmann::json& value, int decimals) {
  return shown(key, value, cellText(value, decimals));
}

ReportRow& ReportRow::shown(const char* key, const nlohmann::json& value, std::string cell) {
  object_[key] = value;
  cells_.push_back(std::move(cell));
  return *this;
}

ReportRow& ReportRow::hidden(const char* key, const nlohmann::json& value) {
  object_[key] = value;
  return *this;
}

ReportRow& ReportRow::cells(const std::vector<std::string>& texts) {
  cells_.insert(cells_.end(), texts.begin(), texts.end());
  return *this;
}

std::string cellText(const nlohmann::json& value, int decimals) {
  if (value.is_null()) return "-";
  if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
  if (value.is_number_float()) return fixed(value.get<double>(), decimals);
  if (value.is_string()) return value.get<std::string>();
  return value.dump();
}

void showRows(Output& output, const char* key, std::vector<std::string> columns, const std::vector<ReportRow>& rows) {
  Table table{std::move(columns), {}};
  nlohmann::json objects = nlohmann::json::array();
  for (const ReportRow& row : rows) {
    table.rows.push_back(row.cellTexts());
    objects.push_back(row.object());
  }
  output.table(table);
  output.document()[key] = objects;
}

}  // namespace talmeq::cli
