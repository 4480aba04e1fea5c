// Arguments of the Python module other than frames and camera matrices,
// converted here rather than by pybind11's overload matching so that a
// wrong one is refused with a TypeError or ValueError that names it and
// says what it had to be, never printing its value (a frame's pixels, say).
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace talmeq::python {

namespace py = pybind11;

// Raises TypeError "<name> must be <expected>, not <type of value>".
[[noreturn]] void wrongType(const py::handle& value, const char* name, const char* expected);

// A real number (int, float or a numpy scalar; not None or bool).
double numberArgument(const py::handle& value, const char* name);

// A file path (str or os.PathLike) as UTF-8 text.
std::string pathArgument(const py::handle& value, const char* name);

// The values of a sequence or array of real numbers, as float64 in a
// C-contiguous array of at least one dimension. None, object arrays (lists
// holding None, strings, ...) and ragged lists are TypeErrors.
py::array_t<double> numbersArgument(const py::handle& value, const char* name);

std::vector<double> numberList(const py::handle& value, const char* name);

// n points (x, y), as an n x 2 array or a sequence of pairs; int or float.
std::vector<cv::Point2d> pointList(const py::handle& value, const char* name);

// Whole-pixel points, fractional ones rounded to the nearest pixel as
// OpenCV rounds them.
std::vector<cv::Point> pixelList(const py::handle& value, const char* name);

// The markers of each view: per view any array or nesting whose last two
// axes are 4 corners of (x, y), OpenCV's own (n, 1, 4, 2) and a list of n
// (1, 4, 2) arrays as well as a list of n lists of four pairs.
std::vector<std::vector<std::vector<cv::Point2f>>> viewCorners(const py::handle& value, const char* name);

// The marker ids of each view: a sequence of sequences (or arrays) of ints.
std::vector<std::vector<int>> viewIds(const py::handle& value, const char* name);

// An image size (width, height) of two whole numbers.
cv::Size sizeArgument(const py::handle& value, const char* name);

}  // namespace talmeq::python
