// numpy arrays of the Python binding (see arrayArguments.h).
#include "arrayArguments.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "namedArguments.h"

namespace talmeq::python {
namespace {

std::string typeName(const py::object& object) { return py::str(py::type::handle_of(object).attr("__name__")); }

std::string shapeText(const py::array& array) {
  std::string text = "(";
  for (py::ssize_t i = 0; i < array.ndim(); ++i) text += (i ? ", " : "") + std::to_string(array.shape(i));
  return text + (array.ndim() == 1 ? ",)" : ")");
}

int depthOf(const py::dtype& dtype) {
  if (dtype.equal(py::dtype::of<float>())) return CV_32F;
  if (dtype.equal(py::dtype::of<double>())) return CV_64F;
  return -1;
}

// A C-contiguous float32 or float64 array, which a matrix argument uses in place.
bool usableAsIs(const py::object& matrix) {
  if (!py::isinstance<py::array>(matrix)) return false;
  const auto array = py::reinterpret_borrow<py::array>(matrix);
  return depthOf(array.dtype()) >= 0 && (array.flags() & py::array::c_style);
}

py::dtype dtypeOf(int depth) {
  switch (depth) {
    case CV_8U:
      return py::dtype::of<std::uint8_t>();
    case CV_8S:
      return py::dtype::of<std::int8_t>();
    case CV_16U:
      return py::dtype::of<std::uint16_t>();
    case CV_16S:
      return py::dtype::of<std::int16_t>();
    case CV_32S:
      return py::dtype::of<std::int32_t>();
    case CV_32F:
      return py::dtype::of<float>();
    case CV_64F:
      return py::dtype::of<double>();
    default:
      throw std::runtime_error("the library gave a matrix of an unknown depth");
  }
}

}  // namespace

cv::Mat frameView(const py::object& image, const char* name, bindings::FrameLayout layout) {
  const std::string expected =
      std::string(name) + " must be a C-contiguous uint8 numpy.ndarray of shape " + bindings::describeLayout(layout);
  if (!py::isinstance<py::array>(image)) throw py::type_error(expected + ", not " + typeName(image));
  const auto array = py::reinterpret_borrow<py::array>(image);
  if (!py::isinstance<py::array_t<std::uint8_t>>(array))
    throw py::type_error(expected + ", not of dtype " + std::string(py::str(array.dtype())));
  const int channels = array.ndim() == 3 ? static_cast<int>(array.shape(2)) : 1;
  if ((array.ndim() != 2 && array.ndim() != 3) || (array.ndim() == 3 && channels != 3 && channels != 4) ||
      !bindings::fitsLayout(layout, channels))
    throw py::value_error(expected + ", not of shape " + shapeText(array));
  if (!(array.flags() & py::array::c_style))
    throw py::value_error(expected + "; this one is not C-contiguous (numpy.ascontiguousarray makes a copy that is)");
  // A C-contiguous array's rows are packed; its strides may say otherwise
  // only along an axis of length 1, which numpy leaves free.
  cv::Mat frame;
  const std::string problem =
      bindings::viewFrame(array.data(), array.shape(0), array.shape(1), array.shape(1) * channels, channels, frame);
  if (!problem.empty()) throw py::value_error(std::string(name) + ": " + problem);
  return frame;
}

cv::Mat matrixView(const py::object& matrix, const char* name, py::object& keeper) {
  // Anything else goes through the named conversion, which refuses None and
  // object arrays rather than turning them into NaN.
  py::array array = usableAsIs(matrix) ? py::reinterpret_borrow<py::array>(matrix) : numbersArgument(matrix, name);
  if (array.ndim() > 2)
    throw py::value_error(std::string(name) + " must have 1 or 2 dimensions, not shape " + shapeText(array));
  keeper = array;
  if (array.size() == 0) return cv::Mat();
  const int rows = array.ndim() == 2 ? static_cast<int>(array.shape(0)) : 1;
  const int cols = static_cast<int>(array.ndim() == 2 ? array.shape(1) : array.ndim() == 1 ? array.shape(0) : 1);
  return cv::Mat(rows, cols, depthOf(array.dtype()), const_cast<void*>(array.data()));
}

py::object toArray(const cv::Mat& matrix) {
  if (matrix.empty()) return py::none();
  // The array keeps its own reference to the matrix's buffer. A header over
  // memory OpenCV did not allocate (a view of an input, say) is copied
  // first, so no output can outlive the memory it shows.
  auto held = std::make_unique<cv::Mat>(matrix.isContinuous() && matrix.u != nullptr ? matrix : matrix.clone());
  cv::Mat* owned = held.get();
  const py::capsule release(owned, [](void* matrix) { delete static_cast<cv::Mat*>(matrix); });
  held.release();  // the capsule owns it now
  const py::ssize_t elemSize = static_cast<py::ssize_t>(owned->elemSize1());
  std::vector<py::ssize_t> shape{owned->rows, owned->cols};
  std::vector<py::ssize_t> strides{static_cast<py::ssize_t>(owned->step[0]), elemSize * owned->channels()};
  if (owned->channels() > 1) {
    shape.push_back(owned->channels());
    strides.push_back(elemSize);
  }
  return py::array(dtypeOf(owned->depth()), shape, strides, owned->data, release);
}

}  // namespace talmeq::python
