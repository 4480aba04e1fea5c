// A verdict as the tool shows it: each check with its measured figure, rule
// and outcome in a table, the verdict line, and "checks" and "verdict"
// ("pass" or "fail") in the JSON document.
#pragma once

#include <talmeq/verdictCheck.h>

#include <vector>

#include "output.h"

namespace talmeq::cli {

void showVerdict(const std::vector<VerdictCheck>& checks, bool pass, Output& output);

// The names of the failed checks, joined by ", ".
std::string failedCheckNames(const std::vector<VerdictCheck>& checks);

}  // namespace talmeq::cli
