// numpy arrays crossing the Python binding: camera frames as zero-copy
// cv::Mat headers over the array's memory, small matrices as headers or
// converted copies, and the library's output matrices as arrays that own
// their memory. Also the release of the GIL around a library call.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <opencv2/core.hpp>

#include "frameLayout.h"

namespace talmeq::python {

namespace py = pybind11;

// A header over `image`, which must be a numpy.ndarray of uint8, C-contiguous,
// of a shape that fits `layout` (H x W for one channel, H x W x 3 for blue,
// green, red). Raises TypeError for another type or dtype and ValueError for
// another shape or a non-contiguous array; nothing is converted or copied.
// The header is valid while `image` is alive.
cv::Mat frameView(const py::object& image, const char* name, bindings::FrameLayout layout);

// A matrix argument (camera matrix, distortion coefficients) as a 1- or 2-D
// cv::Mat: a C-contiguous float32 or float64 array as it is, anything else
// (lists, other dtypes) converted to a float64 copy. Its shape is left to
// the library to judge. Valid while the returned `keeper` is alive.
cv::Mat matrixView(const py::object& matrix, const char* name, py::object& keeper);

// An array that owns (a reference to) the pixels or values of `matrix`:
// H x W for one channel, H x W x C for more; None for an empty matrix.
py::object toArray(const cv::Mat& matrix);

// Runs `call` with the GIL released, so that other Python threads run
// meanwhile; everything it touches must be plain C++ data.
template <class Call>
auto withoutGil(Call&& call) {
  py::gil_scoped_release release;
  return call();
}

}  // namespace talmeq::python
