// Keeps the library's log lines off standard output, which belongs to the
// tool's tables and JSON: the print stream goes to standard error with
// --verbose and nowhere otherwise; the file stream keeps its configured file,
// or goes to the file that --log-file names.
#pragma once

#include <string>

namespace talmeq::cli {

void routeLibraryLog(bool verbose, const std::string& logFile);

}  // namespace talmeq::cli
