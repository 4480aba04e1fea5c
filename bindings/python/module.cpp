// The Python module talmeq: the library's exported functions under their own
// names, each returning a tuple that starts with the library's result code,
// and the precision layer under Pythonic names, returning result objects.
// Frames are numpy arrays used in place; each function releases the GIL
// while the library works.
#include "calls.h"

PYBIND11_MODULE(talmeq, module) {
  module.doc() =
      "Laser-spot detection, height calibration and camera calibration of the talmeq library.\n\n"
      "The nine exports return a tuple whose first item is the library's result code: 0 success, "
      "-1 no acceptable result, -2 an unusable input, -3 a height out of range, -999 a text exception "
      "inside the library. The precision layer (read_spot, fit_height_model, read_height) returns "
      "result objects whose status says what a frame or file held. Frames are uint8 numpy arrays, "
      "H x W x 3 (blue, green, red) or H x W (grey), C-contiguous; they are read in place, never copied. "
      "OpenCV errors raise talmeq.OpenCVError.";
  module.attr("__version__") = TALMEQ_VERSION;
  talmeq::python::addOpenCvError(module);
  talmeq::python::addHeightCalls(module);
  talmeq::python::addCameraCalls(module);
  talmeq::python::addStationCalls(module);
  talmeq::python::addBoardCalls(module);
}
