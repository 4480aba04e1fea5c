// The Python module talmeq. One naming rule: every name is the C++ name it
// stands for, the nine exports' (getSpotCoord) as the precision layer's
// (readSpot, SpotReading.sigmaX, SpotStatus.kTooDim). The exports return a
// tuple that starts with the library's result code, the precision layer
// result objects. Frames are numpy arrays used in place; each function
// releases the GIL while the library works. talmeq.pyi lists the module's
// names and types for editors and type checkers.
#include <talmeq/version.h>

#include "calls.h"

PYBIND11_MODULE(talmeq, module) {
  module.doc() =
      "Laser-spot detection, height calibration and camera calibration of the talmeq library.\n\n"
      "The nine exports return a tuple whose first item is the library's result code: 0 success, "
      "-1 no acceptable result, -2 an unusable input, -3 a height out of range, -999 a text exception "
      "inside the library. The precision layer (readSpot, fitHeightModel, readHeight, findBoardView, "
      "calibrateCameraFromViews, characterizeStation, correctHeightOffset) returns result objects whose "
      "status (an enum.IntEnum) or verdict says what a frame or file held; toText(status) gives its report "
      "name. Result objects have a repr, compare equal attribute by attribute and pickle. Where an export "
      "reports success for a wrong outcome, its docstring names the call that reports it.\n\n"
      "Naming: every function, class, attribute and enumeration member has the name of the C++ function, "
      "struct, member or enumerator it stands for (getSpotCoord, readSpot, SpotReading.sigmaX, "
      "SpotStatus.kTooDim).\n\nFrames are uint8 numpy arrays, "
      "H x W x 3 (blue, green, red) or H x W (grey), C-contiguous; they are read in place, never copied. "
      "OpenCV errors raise talmeq.OpenCVError. Arguments are checked by name: None, object arrays and "
      "values of the wrong type raise TypeError naming the argument, never printing its value.\n\n"
      "Memory: each thread keeps scratch buffers as large as the largest frame it has read; after 16 "
      "calls in a row on frames of under a quarter of that area it gives them back and grows anew, so one "
      "outsized frame holds its memory only until the usual frames have been seen that often.\n\n"
      "Logging: see setLogLevel, setLogCallback, setLogFolder and logToPython.";
  module.attr("__version__") = TALMEQ_VERSION;
  talmeq::python::addOpenCvError(module);
  talmeq::python::addHeightCalls(module);
  talmeq::python::addCameraCalls(module);
  talmeq::python::addStationCalls(module);
  talmeq::python::addReportCalls(module);
  talmeq::python::addBoardCalls(module);
  talmeq::python::addCharacterizationCalls(module);
  talmeq::python::addCorrectionCalls(module);
  talmeq::python::addLogCalls(module);
  talmeq::python::conciseArgumentErrors(module);
}
