// The talmeq command-line tool: parses the command line, routes the
// library's log, runs the chosen subcommand and turns its outcome into the
// exit status and a one-line message on standard error.
#include <fcntl.h>
#include <talmeq/calibrationLock.h>
#include <talmeq/fileReplacement.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <opencv2/core/utils/logger.hpp>
#include <sstream>
#include <vector>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "commands.h"
#include "logRouting.h"
#include "terminal.h"

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

// After CLI11 found a required argument missing: a word before `--` that
// looks like an option but names none (`spot -a.png`), which CLI11 set aside
// unread; empty when there is none.
std::string unknownOption(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
    const std::string word = argv[i];
    char* end = nullptr;
    std::strtod(word.c_str(), &end);
    if (word.size() < 2 || word[0] != '-' || *end == '\0') continue;  // not an option, or a negative number
    const std::string name = word.substr(0, word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos);
    bool known = false;
    for (const CLI::App* scope : app.get_subcommands([](const CLI::App*) { return true; }))
      for (const CLI::Option* option : scope->get_options()) known = known || option->check_name(name);
    for (const CLI::Option* option : app.get_options()) known = known || option->check_name(name);
    if (!known) return word;
  }
  return {};
}

// The complaints of image decoders that still gave an image, as warnings.
void reportDecoderWarnings(Session& session) {
  for (const std::string& warning : takeDecoderWarnings()) session.output.warn(warning);
}

// Reports a failure: the message on stderr, and in JSON mode the document
// with the error in it, so a script always gets one document.
int fail(Session& session, int status, const std::string& message) {
  clearStatusLine();
  if (!session.json) reportDecoderWarnings(session);
  std::cerr << "talmeq: " << message << '\n';
  if (session.json) {
    session.output.useJson(true);
    nlohmann::json& document = session.output.document();
    if (!document.contains("version")) {
      session.output.begin("", nlohmann::json::object());
      document["command"] = nullptr;
    }
    reportDecoderWarnings(session);
    document["ok"] = false;
    document["error"] = {{"status", status}, {"message", message}};
    session.output.finish();
  }
  return status;
}

// --help and --version with --json: the text in one document of the shape of
// a command line that chose no subcommand.
int printInformation(CLI::App& app, const CLI::Success& done, Session& session) {
  std::ostringstream text, errors;
  const int status = app.exit(done, text, errors);
  session.output.useJson(true);
  session.output.begin("", nlohmann::json::object());
  nlohmann::json& document = session.output.document();
  document.update({{"command", nullptr}, {"ok", true}});
  if (dynamic_cast<const CLI::CallForVersion*>(&done) == nullptr) document["help"] = text.str();
  session.output.finish();
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
  reportDecoderWarnings(session);
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
  } catch (const std::bad_alloc&) {
    return fail(session, kExitFailed, "out of memory: the images are too large for the memory this run may use");
  } catch (const std::exception& error) {
    return fail(session, kExitInternalError, std::string("internal error: ") + error.what());
  }
}

// A standard stream the caller closed gets the null device opened for
// reading in its place: otherwise the next file the run opens (the log file)
// would take its number and receive the tables. Writes to it then fail,
// which the run reports as for a full disk.
void holdClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
#ifdef _WIN32
    if (_get_osfhandle(fd) != -1) continue;
    const int held = _open("NUL", _O_RDONLY);
#else
    if (fcntl(fd, F_GETFD) != -1) continue;
    const int held = open("/dev/null", O_RDONLY);
#endif
    if (held != fd && held >= 0) {  // a lower number was free after all: keep the stream closed
#ifdef _WIN32
      _close(held);
#else
      close(held);
#endif
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  holdClosedStandardStreams();
  talmeq::removeTemporaryOnInterrupt();
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);  // a file size limit fails the write, which the tool reports, instead of ending it
#endif
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
  for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i)
    session.json = session.json || std::string(argv[i]) == "--json";
  try {
    refuseUnknownSubcommand(argc, argv, commands);
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return session.json ? printInformation(app, done, session) : app.exit(done);
  } catch (const CLI::RequiredError& error) {
    const std::string word = unknownOption(app, argc, argv);
    if (word.empty()) return fail(session, kExitBadArguments, error.what());
    return fail(session, kExitBadArguments,
                "unknown option '" + word + "' (a file whose name starts with '-' goes after --: -- " + word + ")");
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
