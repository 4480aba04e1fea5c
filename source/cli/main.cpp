// The talmeq command-line tool: parses the command line, routes the
// library's log, runs the chosen subcommand and turns its outcome into the
// exit status and a one-line message on standard error.
#include <CLI/CLI.hpp>

#include <iostream>
#include <vector>

#include "commands.h"
#include "failures.h"
#include "imageFiles.h"
#include "logRouting.h"

namespace {

using namespace talmeq::cli;

void addSessionOptions(CLI::App& app, Session& session) {
  app.add_flag("--json", session.json, "Print one JSON document instead of tables (default: off)");
  app.add_flag("-v,--verbose", session.verbose, "Show the library's log lines on standard error (default: off)");
  app.add_option("--log-file", session.logFile,
                 "Write the library's file log here instead of its configured file")
      ->default_str("talmeqAlgorithm.log or TALMEQ_LOG_FILE");
}

// Reports a failure: the message on stderr, and in JSON mode the document
// with the error in it, so a script always gets one document.
int fail(Session& session, int status, const std::string& message) {
  std::cerr << "talmeq: " << message << '\n';
  if (session.json) {
    session.output.useJson(true);
    nlohmann::json& document = session.output.document();
    document["ok"] = false;
    document["error"] = {{"status", status}, {"message", message}};
    session.output.finish();
  }
  return status;
}

int runChosen(Session& session, const std::vector<Command>& commands) {
  if (!session.logFile.empty()) requireWritableLocation(session.logFile);
  routeLibraryLog(session.verbose, session.logFile);
  session.output.useJson(session.json);
  for (const Command& command : commands) {
    if (!command.app->parsed()) continue;
    session.output.document()["command"] = command.app->get_name();
    command.run(session);
  }
  if (!session.output.document().contains("ok")) session.output.document()["ok"] = true;
  session.output.finish();
  return session.output.document()["ok"].get<bool>() ? kExitOk : kExitLibraryFailure;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"talmeq: laser-spot detection, height calibration and camera calibration"};
  app.require_subcommand(1);
  app.fallthrough();
  Session session;
  addSessionOptions(app, session);
  const std::vector<Command> commands{
      addSpotCommand(app),        addCalibrateCommand(app),         addMeasureCommand(app),
      addCorrectCommand(app),     addCalibChessCommand(app),        addCalibArucoCommand(app),
      addUndistortCommand(app),   addCorrectThicknessCommand(app),  addBoardCommand(app),
      addSimulateCommand(app),    addDemoCommand(app)};
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    return fail(session, kExitBadArguments, error.what());
  }
  try {
    return runChosen(session, commands);
  } catch (const UsageError& error) {
    return fail(session, kExitBadArguments, error.what());
  } catch (const LibraryFailure& error) {
    return fail(session, kExitLibraryFailure, error.what());
  } catch (const std::exception& error) {
    return fail(session, kExitInternalError, std::string("internal error: ") + error.what());
  }
}
