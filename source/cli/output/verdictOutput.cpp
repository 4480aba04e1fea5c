// Verdict tables (see verdictOutput.h).
#include "verdictOutput.h"

#include "reportRow.h"

namespace talmeq::cli {

void showVerdict(const std::vector<VerdictCheck>& checks, bool pass, Output& output) {
  std::vector<ReportRow> rows;
  for (const VerdictCheck& c : checks) {
    ReportRow& row = rows.emplace_back(ReportRow({}));
    row.shown("name", c.name).hidden("threshold", c.threshold).hidden("evaluated", c.evaluated);
    row.shown("value", c.evaluated ? number(c.value) : nlohmann::json(),
              c.evaluated ? decimalText(c.value, 5) : "not evaluated");
    row.shown("rule", c.rule).shown("passed", c.evaluated ? nlohmann::json(c.passed) : nlohmann::json());
  }
  showRows(output, "checks", {"check", "measured", "rule", "passed"}, rows);
  const std::string unjudged = notEvaluatedNames(checks);
  output.line(std::string("verdict: ") + (pass ? "pass" : "fail") +
              (unjudged.empty() ? "" : " (not evaluated: " + unjudged + ")"));
  output.document()["verdict"] = pass ? "pass" : "fail";
}

std::string failedCheckNames(const std::vector<VerdictCheck>& checks) {
  std::string names;
  for (const VerdictCheck& c : checks)
    if (c.evaluated && !c.passed) names += (names.empty() ? "" : ", ") + c.name;
  return names;
}

std::string notEvaluatedNames(const std::vector<VerdictCheck>& checks) {
  std::string names;
  for (const VerdictCheck& c : checks)
    if (!c.evaluated) names += (names.empty() ? "" : ", ") + c.name;
  return names;
}

}  // namespace talmeq::cli
