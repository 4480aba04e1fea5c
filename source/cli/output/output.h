// What a run prints on standard output: readable tables and lines by
// default, or with --json exactly one JSON document at the end of the run.
// Subcommands write both forms through this object; only one reaches stdout.
//
// The document has one shape per subcommand, the same in every outcome:
// "command", "version", "ok", "error" (null on success), "warnings" (an
// array of sentences), then the subcommand's own keys, each present from the
// start with null until the run sets it.
#pragma once

#include <talmeq/explanations.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace talmeq::cli {

struct Table {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

class Output {
 public:
  void useJson(bool json) { json_ = json; }
  bool json() const { return json_; }

  // Starts the document of `command` with the subcommand's own keys `shape`.
  void begin(const std::string& command, const nlohmann::json& shape);

  // The run's JSON document; subcommands fill in their keys.
  nlohmann::json& document() { return document_; }

  // A warning: added to "warnings"; in text mode also printed as a line
  // "warning: <text>" unless `printed` is false (a row shows it already).
  void warn(const std::string& text, bool printed = true);

  // Text mode: printed at once, columns aligned. JSON mode: ignored.
  void table(const Table& table) const;
  void line(const std::string& text) const;

  // Text mode: one row of a table printed row by row as the work goes on,
  // so an interrupted run keeps the rows already done. Columns have the
  // fixed `widths`; a wider cell pushes the rest of its row to the right.
  void row(const std::vector<std::string>& cells, const std::vector<std::size_t>& widths) const;

  // JSON mode: prints the document once. Text mode: nothing.
  void finish();

 private:
  bool json_ = false;
  bool finished_ = false;
  nlohmann::json document_ = nlohmann::json::object();
};

// The widest display width among `texts` and `header`.
std::size_t widestOf(const std::vector<std::string>& texts, const std::string& header);

// An object of `keys`, each null: a subcommand's shape, a row's start.
nlohmann::json nullKeys(std::initializer_list<const char*> keys);

// The versions a run reports: "talmeq <tool version> (library <library
// version>)", and {"tool": ..., "library": ...}.
std::string versionText();
nlohmann::json versionJson();

// A JSON number, or null when `value` is not finite.
nlohmann::json number(double value);

}  // namespace talmeq::cli
