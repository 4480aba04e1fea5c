// One row of a subcommand's report, built once and rendered both ways: each
// field goes into the row's JSON object under its key and, when the table
// shows it, into the row's next cell, whose text is the value's own unless
// given. A subcommand's rows are one model, so the table and the JSON can
// never tell two stories.
#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "output.h"

namespace talmeq::cli {

class ReportRow {
 public:
  // The row's JSON keys, each null until a field sets it.
  explicit ReportRow(std::initializer_list<const char*> keys) : object_(nullKeys(keys)) {}

  // A field the table shows: its cell is `cell`, or the value's text (a
  // real with `decimals` places, "-" for null).
  ReportRow& shown(const char* key, const nlohmann::json& value, int decimals = 4);
  ReportRow& shown(const char* key, const nlohmann::json& value, std::string cell);

  // A field only in JSON, and cells only in the table.
  ReportRow& hidden(const char* key, const nlohmann::json& value);
  ReportRow& cells(const std::vector<std::string>& texts);

  const nlohmann::json& object() const { return object_; }
  const std::vector<std::string>& cellTexts() const { return cells_; }

 private:
  nlohmann::json object_;
  std::vector<std::string> cells_;
};

// A JSON value's text in a table cell: "-" for null, a real with `decimals`
// places, "yes"/"no" for a truth value.
std::string cellText(const nlohmann::json& value, int decimals);

// Prints `rows` as one table under `columns` and sets the document's `key`
// to their JSON objects.
void showRows(Output& output, const char* key, std::vector<std::string> columns, const std::vector<ReportRow>& rows);

}  // namespace talmeq::cli
