// Keeps the library's log lines off standard output, which belongs to the
// tool's tables and JSON: the print stream goes to standard error with
// --verbose and nowhere otherwise; the file stream keeps its configured file,
// or goes to the file that --log-file names.
#pragma once

#include <string>

namespace talmeq::cli {

// Routes the library's log for this run. Returns a warning when the file
// log's file cannot be written (the library's file lines of this run are
// then lost), and an empty text otherwise.
std::string routeLibraryLog(bool verbose, const std::string& logFile);

// Closes the library's log and removes the file log's file when this run
// created it and wrote nothing into it, so that a run that logs nothing
// leaves no empty log file behind.
void closeLibraryLog();

}  // namespace talmeq::cli
