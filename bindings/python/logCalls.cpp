// The library's log under a Python host's control: the streams' levels, a
// callback, the file's folder, the count of failed writes, and logToPython,
// which hands every entry to the logging module instead of standard output.
#include <pybind11/functional.h>
#include <talmeq/logger.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "arrayArguments.h"
#include "calls.h"
#include "namedArguments.h"

namespace talmeq::python {

using namespace pybind11::literals;

namespace {

// Installs `callback` (None removes it): it runs with the GIL taken, on
// whichever thread logs, and its exceptions become counted failures of the
// log, never exceptions of the call that logged.
void installCallback(const py::object& callback, logger::Level minimum) {
  if (callback.is_none()) {
    logger::setCallback(nullptr);
    return;
  }
  if (!PyCallable_Check(callback.ptr())) wrongType(callback, "callback", "a callable or None");
  // The function is released with the GIL held, whichever thread drops it.
  std::shared_ptr<py::object> function(new py::object(callback), [](py::object* held) {
    if (!Py_IsInitialized()) return;  // the interpreter is gone: nothing left to release
    py::gil_scoped_acquire gil;
    delete held;
  });
  logger::setCallback(
      [function](logger::Level level, const std::string& text) {
        if (!Py_IsInitialized()) return;
        py::gil_scoped_acquire gil;
        try {
          (*function)(level, py::str(text.data(), text.size()));
        } catch (py::error_already_set& error) {
          throw std::runtime_error(error.what());
        }
      },
      minimum);
}

}  // namespace

void addLogCalls(py::module_& module) {
  py::enum_<logger::Stream>(module, "LogStream", "The two streams of the library's log.")
      .value("kPrint", logger::Stream::kPrint)
      .value("kFile", logger::Stream::kFile);
  py::enum_<logger::Level>(module, "LogLevel", "The least severe entry a stream writes.")
      .value("kInfo", logger::Level::kInfo)
      .value("kError", logger::Level::kError)
      .value("kOff", logger::Level::kOff);

  module.def("setLogLevel", &logger::setLevel, "stream"_a, "level"_a,
             "setLogLevel(stream, level) -> None\n\n"
             "Drops the entries below level (LogLevel) from stream (LogStream): kInfo writes messages and "
             "failure records (the default), kError failure records only, kOff nothing.");
  module.def("setLogCallback", &installCallback, "callback"_a,
             py::arg_v("minimum", logger::Level::kInfo, "LogLevel.kInfo"),
             "setLogCallback(callback, minimum=LogLevel.kInfo) -> None\n\n"
             "callback(level, text) receives every entry once, at minimum and above, whatever the streams' "
             "levels, on the thread that logs; None removes it. What it raises is counted (logFailedWrites) "
             "and dropped.");
  module.def(
      "setLogFolder",
      [](const py::object& folder) {
        const std::string path = folder.is_none() ? std::string() : pathArgument(folder, "folder");
        withoutGil([&] { logger::setFileFolder(path); });
      },
      "folder"_a,
      "setLogFolder(folder) -> None\n\n"
      "Moves the file stream's default file (talmeqAlgorithm.log, or the name TALMEQ_LOG_FILE gives) into "
      "folder; None or \"\" restores it. Raises RuntimeError when the file cannot be opened there.");
  module.def("logFailedWrites", &logger::failedWrites,
             "logFailedWrites() -> int\n\nThe entries an appender or the callback failed to take.");
  module.def(
      "logToPython",
      [](const std::string& name) {
        const py::module_ logging = py::module_::import("logging");
        const py::object target = logging.attr("getLogger")(name);
        const py::object info = logging.attr("INFO"), error = logging.attr("ERROR");
        installCallback(py::cpp_function([target, info, error](logger::Level level, const py::str& text) {
                          target.attr("log")(level == logger::Level::kError ? error : info, text);
                        }),
                        logger::Level::kInfo);
        logger::setLevel(logger::Stream::kPrint, logger::Level::kOff);
      },
      "name"_a = "talmeq",
      "logToPython(name='talmeq') -> None\n\n"
      "Sends every entry to logging.getLogger(name), messages at INFO and failure records at ERROR, and "
      "turns the print stream (standard output) off. The file stream stays as it is: "
      "setLogLevel(LogStream.kFile, LogLevel.kOff) turns it off (before the first call: no file is made), "
      "setLogFolder moves it.");

  // No Python callback may run once the interpreter winds down.
  py::module_::import("atexit").attr("register")(py::cpp_function([] { logger::setCallback(nullptr); }));
}

}  // namespace talmeq::python
