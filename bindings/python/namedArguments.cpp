// Named conversions of the Python module's arguments (see namedArguments.h).
#include "namedArguments.h"

#include <cmath>
#include <string>

namespace talmeq::python {
namespace {

std::string typeName(const py::handle& value) { return py::str(py::type::handle_of(value).attr("__name__")); }

std::string shapeOf(const py::array& array) {
  std::string text = "(";
  for (py::ssize_t i = 0; i < array.ndim(); ++i) text += (i ? ", " : "") + std::to_string(array.shape(i));
  return text + (array.ndim() == 1 ? ",)" : ")");
}

// `value` as a float64 array whose last axes are `trailing` (n x 2 points,
// ... x 4 x 2 corners), flattened to rows of their product.
py::array_t<double> rowsOf(const py::handle& value, const char* name, std::vector<py::ssize_t> trailing,
                           const char* expected) {
  py::array_t<double> array = numbersArgument(value, name);
  py::ssize_t width = 1;
  for (py::ssize_t axis : trailing) width *= axis;
  bool fits = array.ndim() >= static_cast<py::ssize_t>(trailing.size()) || array.size() == 0;
  for (std::size_t i = 0; fits && array.size() != 0 && i < trailing.size(); ++i)
    fits = array.shape(array.ndim() - trailing.size() + i) == trailing[i];
  if (!fits) throw py::value_error(std::string(name) + " must be " + expected + ", not of shape " + shapeOf(array));
  // numpy's reshape: pybind11's own arrived after the oldest release built with.
  return py::array_t<double>::ensure(array.attr("reshape")(array.size() / width, width));
}

}  // namespace

void wrongType(const py::handle& value, const char* name, const char* expected) {
  throw py::type_error(std::string(name) + " must be " + expected + ", not " +
                       (value.is_none() ? std::string("None") : typeName(value)));
}

double numberArgument(const py::handle& value, const char* name) {
  if (value.is_none() || py::isinstance<py::bool_>(value) || !PyNumber_Check(value.ptr()) ||
      py::isinstance<py::array>(value))
    wrongType(value, name, "a real number");
  const double number = PyFloat_AsDouble(value.ptr());
  if (number == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    wrongType(value, name, "a real number");
  }
  return number;
}

std::string pathArgument(const py::handle& value, const char* name) {
  if (!py::isinstance<py::str>(value) && !py::hasattr(value, "__fspath__"))
    wrongType(value, name, "a path (str or os.PathLike)");
  const py::object path = py::module_::import("os").attr("fspath")(value);
  if (!py::isinstance<py::str>(path)) wrongType(value, name, "a path (str or os.PathLike of str)");
  return path.cast<std::string>();  // UTF-8
}

py::array_t<double> numbersArgument(const py::handle& value, const char* name) {
  if (value.is_none() || py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value))
    wrongType(value, name, "a sequence or array of real numbers");
  py::array array;
  try {
    array = py::module_::import("numpy").attr("asarray")(value);
  } catch (py::error_already_set&) {
    wrongType(value, name, "a sequence or array of real numbers (of one shape)");
  }
  const std::string kind = py::str(array.dtype().attr("kind"));
  if (kind != "i" && kind != "u" && kind != "f")
    throw py::type_error(std::string(name) + " must hold real numbers, not values of dtype " +
                         std::string(py::str(array.dtype())) + " (a None, text or ragged list?)");
  if (array.ndim() == 0) array = py::array::ensure(array.attr("reshape")(1));
  return py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(array);
}

std::vector<double> numberList(const py::handle& value, const char* name) {
  const py::array_t<double> array = numbersArgument(value, name);
  if (array.ndim() != 1)
    throw py::value_error(std::string(name) + " must be a flat sequence of numbers, not of shape " + shapeOf(array));
  return std::vector<double>(array.data(), array.data() + array.size());
}

std::vector<cv::Point2d> pointList(const py::handle& value, const char* name) {
  const auto rows = rowsOf(value, name, {2}, "a sequence of points (x, y)");
  std::vector<cv::Point2d> points;
  for (py::ssize_t i = 0; i < rows.shape(0); ++i) points.emplace_back(rows.at(i, 0), rows.at(i, 1));
  return points;
}

std::vector<cv::Point> pixelList(const py::handle& value, const char* name) {
  std::vector<cv::Point> pixels;
  for (const cv::Point2d& point : pointList(value, name)) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || std::abs(point.x) > 2e9 || std::abs(point.y) > 2e9)
      throw py::value_error(std::string(name) + " must hold finite pixel positions");
    pixels.emplace_back(cvRound(point.x), cvRound(point.y));
  }
  return pixels;
}

std::vector<std::vector<std::vector<cv::Point2f>>> viewCorners(const py::handle& value, const char* name) {
  if (value.is_none() || !py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value))
    wrongType(value, name, "a sequence of views' marker corners");
  std::vector<std::vector<std::vector<cv::Point2f>>> views;
  for (const py::handle view : py::reinterpret_borrow<py::sequence>(value)) {
    const std::string viewName = std::string(name) + "[" + std::to_string(views.size()) + "]";
    std::vector<std::vector<cv::Point2f>> markers;
    // A list of OpenCV's (1, 4, 2) arrays is ragged for numpy only when empty.
    const auto rows =
        rowsOf(view, viewName.c_str(), {4, 2}, "markers of four corners (x, y): (n, 4, 2) or (n, 1, 4, 2)");
    for (py::ssize_t m = 0; m < rows.shape(0); ++m) {
      std::vector<cv::Point2f> corners;
      for (int c = 0; c < 4; ++c)
        corners.emplace_back(static_cast<float>(rows.at(m, 2 * c)), static_cast<float>(rows.at(m, 2 * c + 1)));
      markers.push_back(std::move(corners));
    }
    views.push_back(std::move(markers));
  }
  return views;
}

std::vector<std::vector<int>> viewIds(const py::handle& value, const char* name) {
  if (value.is_none() || !py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value))
    wrongType(value, name, "a sequence of views' marker ids");
  std::vector<std::vector<int>> views;
  for (const py::handle view : py::reinterpret_borrow<py::sequence>(value)) {
    const std::string viewName = std::string(name) + "[" + std::to_string(views.size()) + "]";
    const py::array_t<double> ids = numbersArgument(view, viewName.c_str());
    std::vector<int> list;
    for (py::ssize_t i = 0; i < ids.size(); ++i) {
      const double id = ids.data()[i];
      if (id != std::floor(id) || std::abs(id) > 2e9) throw py::value_error(viewName + " must hold whole ids");
      list.push_back(static_cast<int>(id));
    }
    views.push_back(std::move(list));
  }
  return views;
}

cv::Size sizeArgument(const py::handle& value, const char* name) {
  const py::array_t<double> pair = numbersArgument(value, name);
  if (pair.size() != 2 || pair.ndim() != 1)
    throw py::value_error(std::string(name) + " must be (width, height), not of shape " + shapeOf(pair));
  const double width = pair.data()[0], height = pair.data()[1];
  if (width != std::floor(width) || height != std::floor(height) || std::abs(width) > 2e9 || std::abs(height) > 2e9)
    throw py::value_error(std::string(name) + " must be two whole numbers (width, height)");
  return {static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace talmeq::python
