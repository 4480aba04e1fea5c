// A verdict as the tool shows it: each check with its measured figure, rule
// and outcome in a table, the verdict line naming the checks that were not
// evaluated, and "checks" (a check not evaluated has "value" and "passed"
// null) and "verdict" ("pass" or "fail") in the JSON document.
#pragma once

#include <talmeq/verdictCheck.h>

#include <vector>

#include "output.h"

namespace talmeq::cli {

void showVerdict(const std::vector<VerdictCheck>& checks, bool pass, Output& output);

// The names of the failed checks, joined by ", ".
std::string failedCheckNames(const std::vector<VerdictCheck>& checks);

// The names of the checks not evaluated, joined by ", ".
std::string notEvaluatedNames(const std::vector<VerdictCheck>& checks);

}  // namespace talmeq::cli
