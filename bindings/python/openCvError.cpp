// talmeq.OpenCVError: the Python face of cv::Exception.
#include <opencv2/core.hpp>

#include "calls.h"

namespace talmeq::python {

void addOpenCvError(pybind11::module_& module) {
  // The message is OpenCV's own: version, source position, error code and
  // text, and the function that raised it.
  pybind11::register_exception<cv::Exception>(module, "OpenCVError", PyExc_RuntimeError);
  module.attr("OpenCVError").attr("__doc__") =
      "An OpenCV error raised inside the library, for example on an image or matrix it cannot use. "
      "str() gives OpenCV's message.";
}

}  // namespace talmeq::python
