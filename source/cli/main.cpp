// The talmeq command-line tool: parses the command line, routes the
// library's log, runs the chosen subcommand and turns its outcome into the
// exit status and a one-line message on standard error.
#include <talmeq/calibrationLock.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <opencv2/core/utils/logger.hpp>
#include <vector>

#include "commands.h"
#include "failures.h"
#include "logRouting.h"
#include "outputFiles.h"
#include "outputPaths.h"
#include "terminal.h"
#include "versionText.h"

namespace {

using namespace talmeq::cli;

constexpr const char* kGlobalOptions =
    "Options of every subcommand:\n"
    "  --json                      Print one JSON document instead of tables (default: off)\n"
    "  -v,--verbose                Show the library's log lines on standard error (default: off)\n"
    "  --log-file FILE             Write the library's file log here (default: talmeqAlgorithm.log or "
    "TALMEQ_LOG_FILE)\n"
    "  --version                   Print the tool's and the library's version\n"
    "Exit status: 0 success, 1 the work failed, 2 bad arguments, 3 internal error.";

void addSessionOptions(CLI::App& app, Session& session) {
  app.add_flag("--json", session.json, "Print one JSON document instead of tables (default: off)");
  app.add_flag("-v,--verbose", session.verbose, "Show the library's log lines on standard error (default: off)");
  app.add_option("--log-file", session.logFile, "Write the library's file log here instead of its configured file")
      ->default_str("talmeqAlgorithm.log or TALMEQ_LOG_FILE");
  app.set_version_flag("--version", versionText(), "Print the tool's and the library's version");
}

// The first word that is not an option, when it names no subcommand: CLI11
// would only say that a subcommand is required.
void refuseUnknownSubcommand(int argc, char** argv, const std::vector<Command>& commands) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--log-file") {
      ++i;
      continue;
    }
    if (word.empty() || word[0] == '-') continue;
    std::string names;
    for (const Command& command : commands) {
      if (command.app->get_name() == word) return;
      names += (names.empty() ? "" : ", ") + command.app->get_name();
    }
    throw UsageError("unknown subcommand '" + word + "'; the subcommands are: " + names);
  }
}

// Reports a failure: the message on stderr, and in JSON mode the document
// with the error in it, so a script always gets one document.
int fail(Session& session, int status, const std::string& message) {
  clearStatusLine();
  std::cerr << "talmeq: " << message << '\n';
  if (session.json) {
    session.output.useJson(true);
    nlohmann::json& document = session.output.document();
    if (!document.contains("version")) {
      session.output.begin("", nlohmann::json::object());
      document["command"] = nullptr;
    }
    document["ok"] = false;
    document["error"] = {{"status", status}, {"message", message}};
    session.output.finish();
  }
  return status;
}

// `namedFiles`: the existing files the command line names, which the log
// file must not be.
int runChosen(Session& session, const std::vector<Command>& commands, const std::vector<std::string>& namedFiles) {
  session.output.useJson(session.json);
  // OpenCV's own log lines (a file it could not open, ...) repeat what the
  // tool reports in its own words; --verbose shows them with the library's.
  if (!session.verbose) cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
  for (const Command& command : commands)
    if (command.app->parsed()) session.output.begin(command.app->get_name(), command.shape);
  if (!session.logFile.empty()) requireOutputLocation(session.logFile);
  // The log file, in whatever spelling or from the environment, is an output:
  // every command's own check compares it with its inputs and outputs too.
  setLibraryLogFile(fileLogPath(session.logFile));
  refuseOverlaps({}, namedFiles);
  const std::string logWarning = routeLibraryLog(session.verbose, session.logFile);
  if (!logWarning.empty()) {
    std::cerr << "talmeq: warning: " << logWarning << '\n';
    session.output.warn(logWarning, false);
  }
  for (const Command& command : commands)
    if (command.app->parsed()) command.run(session);
  session.output.document()["ok"] = true;
  session.output.finish();
  return kExitOk;
}

int runGuarded(Session& session, const std::vector<Command>& commands, const std::vector<std::string>& namedFiles) {
  try {
    return runChosen(session, commands, namedFiles);
  } catch (const UsageError& error) {
    return fail(session, kExitBadArguments, error.what());
  } catch (const WorkFailure& error) {
    return fail(session, kExitFailed, error.what());
  } catch (const talmeq::CalibrationLockError& error) {
    return fail(session, kExitFailed, error.what());
  } catch (const std::filesystem::filesystem_error& error) {
    return fail(session, kExitFailed, error.what());
  } catch (const std::exception& error) {
    return fail(session, kExitInternalError, std::string("internal error: ") + error.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  removePartialOutputOnInterrupt();
  CLI::App app{"talmeq: laser-spot detection, height calibration and camera calibration"};
  app.require_subcommand(1);
  app.fallthrough();
  Session session;
  addSessionOptions(app, session);
  const std::vector<Command> commands{
      addSpotCommand(app),         addCalibrateCommand(app),    addMeasureCommand(app),
      addCorrectCommand(app),      addCalibChessCommand(app),   addCalibArucoCommand(app),
      addCalibCharucoCommand(app), addUndistortCommand(app),    addCorrectThicknessCommand(app),
      addBoardCommand(app),        addCharacterizeCommand(app), addSimulateCommand(app),
      addDemoCommand(app)};
  for (const Command& command : commands) command.app->footer(kGlobalOptions);
  // A command line refused before it is parsed still answers in JSON when asked to.
  for (int i = 1; i < argc; ++i) session.json = session.json || std::string(argv[i]) == "--json";
  try {
    refuseUnknownSubcommand(argc, argv, commands);
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return app.exit(done);
  } catch (const CLI::ParseError& error) {
    return fail(session, kExitBadArguments, error.what());
  } catch (const UsageError& error) {
    return fail(session, kExitBadArguments, error.what());
  }
  std::vector<std::string> namedFiles;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    const std::string word = argv[i];
    const std::size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
    const std::string value = equals == std::string::npos ? word : word.substr(equals + 1);  // --opt=FILE
    if (word == "--log-file")
      ++i;
    else if (word.rfind("--log-file=", 0) == 0)
      continue;
    else if (std::filesystem::is_regular_file(std::filesystem::u8path(value), error))
      namedFiles.push_back(value);
  }
  int status = runGuarded(session, commands, namedFiles);
  closeLibraryLog();
  if (!(std::cout << std::flush)) {
    std::cerr << "talmeq: cannot write to standard output\n";
    status = status == kExitOk ? kExitFailed : status;
  }
  return status;
}
