// Verdict tables (see verdictOutput.h).
#include "verdictOutput.h"

namespace talmeq::cli {

void showVerdict(const std::vector<VerdictCheck>& checks, bool pass, Output& output) {
  Table table{{"check", "measured", "rule", "passed"}, {}};
  nlohmann::json rows = nlohmann::json::array();
  for (const VerdictCheck& c : checks) {
    table.rows.push_back({c.name, c.evaluated ? fixed(c.value, 5) : "not evaluated", c.rule,
                          !c.evaluated ? "-"
                          : c.passed   ? "yes"
                                       : "no"});
    rows.push_back({{"name", c.name},
                    {"rule", c.rule},
                    {"threshold", c.threshold},
                    {"value", c.evaluated ? number(c.value) : nlohmann::json()},
                    {"passed", c.evaluated ? nlohmann::json(c.passed) : nlohmann::json()},
                    {"evaluated", c.evaluated}});
  }
  output.table(table);
  const std::string unjudged = notEvaluatedNames(checks);
  output.line(std::string("verdict: ") + (pass ? "pass" : "fail") +
              (unjudged.empty() ? "" : " (not evaluated: " + unjudged + ")"));
  output.document().update({{"checks", rows}, {"verdict", pass ? "pass" : "fail"}});
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
