// What a run prints on standard output: readable tables and lines by
// default, or with --json exactly one JSON document at the end of the run.
// Subcommands write both forms through this object; only one reaches stdout.
#pragma once

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

  // The run's JSON document; subcommands add their results to it.
  nlohmann::json& document() { return document_; }

  // Text mode: printed at once, columns aligned. JSON mode: ignored.
  void table(const Table& table) const;
  void line(const std::string& text) const;

  // JSON mode: prints the document once. Text mode: nothing.
  void finish();

private:
  bool json_ = false;
  bool finished_ = false;
  nlohmann::json document_ = nlohmann::json::object();
};

// Fixed-point text of a number, for table cells.
std::string fixed(double value, int decimals);

}  // namespace talmeq::cli
