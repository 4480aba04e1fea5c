// Verdict tables (see verdictOutput.h).
#include "verdictOutput.h"

namespace talmeq::cli {

void showVerdict(const std::vector<VerdictCheck>& checks, bool pass, Output& output) {
  Table table{{"check", "measured", "rule", "passed"}, {}};
  nlohmann::json rows = nlohmann::json::array();
  for (const VerdictCheck& c : checks) {
    table.rows.push_back({c.name, fixed(c.value, 5), c.rule, c.passed ? "yes" : "no"});
    rows.push_back({{"name", c.name},
                    {"rule", c.rule},
                    {"threshold", c.threshold},
                    {"value", number(c.value)},
                    {"passed", c.passed}});
  }
  output.table(table);
  output.line(std::string("verdict: ") + (pass ? "pass" : "fail"));
  output.document().update({{"checks", rows}, {"verdict", pass ? "pass" : "fail"}});
}

std::string failedCheckNames(const std::vector<VerdictCheck>& checks) {
  std::string names;
  for (const VerdictCheck& c : checks)
    if (!c.passed) names += (names.empty() ? "" : ", ") + c.name;
  return names;
}

}  // namespace talmeq::cli
