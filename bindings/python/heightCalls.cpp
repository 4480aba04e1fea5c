// The spot and height functions of the Python module.
#include <pybind11/stl.h>
#include <talmeqAlgorithm.h>

#include <limits>
#include <vector>

#include "arrayArguments.h"
#include "calls.h"
#include "cvTypeCasters.h"
#include "namedArguments.h"

namespace talmeq::python {

using bindings::FrameLayout;
using namespace pybind11::literals;

void addHeightCalls(py::module_& module) {
  module.def(
      "getSpotCoord",
      [](const py::object& image) {
        const cv::Mat frame = frameView(image, "image", FrameLayout::Colour);
        cv::Point coord;
        const int code = withoutGil([&] { return getSpotCoord(frame, coord); });
        return py::make_tuple(code, coord);
      },
      "image"_a,
      "getSpotCoord(image) -> (code, (x, y))\n\n"
      "The laser spot's centre in an H x W x 3 frame, in pixels; (0, 0) unless code is 0.\n"
      "code: 0 found, -1 no spot, -2 empty or too small image, -999.");

  module.def(
      "getCalibrationParamByLinear",
      [](const py::object& heightList, const py::object& coordList, const py::object& ymlPath) {
        std::vector<double> heights = numberList(heightList, "heights");
        std::vector<cv::Point> coords = pixelList(coordList, "coords");
        const std::string path = pathArgument(ymlPath, "ymlPath");
        return withoutGil([&] { return getCalibrationParamByLinear(std::move(heights), std::move(coords), path); });
      },
      "heights"_a, "coords"_a, "ymlPath"_a,
      "getCalibrationParamByLinear(heights, coords, ymlPath) -> code\n\n"
      "Fits the linear height model to the known heights and the spot centres (x, y) seen at them (fractional "
      "centres, readSpot's, are rounded to the nearest pixel) and "
      "rewrites the calibration file, which must hold scale, dist, initZ and focusD.\n"
      "code: 0, -1 average error above 0.2 (file written), -2 unusable lists or file, -999.\n"
      "A file that cannot be replaced (a read-only folder) still gives 0 or -1, and a poor fit replaces a "
      "working calibration; fitHeightModel reports kNotWritten and keeps the calibration (kKept). Calls on one "
      "file must take turns.");

  module.def(
      "correctYml",
      [](const py::object& fromZ, const py::object& toZ, const py::object& ymlPath) {
        const double from = numberArgument(fromZ, "fromZ"), to = numberArgument(toZ, "toZ");
        const std::string path = pathArgument(ymlPath, "ymlPath");
        return withoutGil([&] { return correctYml(from, to, path); });
      },
      "fromZ"_a, "toZ"_a, "ymlPath"_a,
      "correctYml(fromZ, toZ, ymlPath) -> code\n\n"
      "Shifts the calibration file's initZ by toZ - fromZ. code: 0, -2 no such file, -999.\n"
      "The shift is not checked: a NaN or infinite height writes initZ .Nan or .Inf and returns 0; a file of "
      "other keys is replaced by the eleven calibration keys and returns 0; a file that cannot be replaced "
      "returns 0; no lock is taken. correctHeightOffset reports each of these by its status and takes the "
      "file's lock.");

  module.def(
      "getPlaneHeightByLinear",
      [](const py::object& image, const py::object& ymlPath) {
        const cv::Mat frame = frameView(image, "image", FrameLayout::Colour);
        const std::string path = pathArgument(ymlPath, "ymlPath");
        double height = std::numeric_limits<double>::quiet_NaN(), axisZ = height;
        const int code = withoutGil([&] { return getPlaneHeightByLinear(frame, path, height, axisZ); });
        return py::make_tuple(code, height, axisZ);
      },
      "image"_a, "ymlPath"_a,
      "getPlaneHeightByLinear(image, ymlPath) -> (code, height, axisZ)\n\n"
      "The plane height from an H x W x 3 frame and the calibration file: relative height and absolute "
      "axisZ, both NaN when the library did not write them.\n"
      "code: 0, -1 no spot in the window, -2 no such file, -3 axisZ outside -32..0, -999.\n"
      "A single faint candidate counts as a spot at pixel (0, 0): its made-up height comes back with -3, or "
      "with 0 when it lands in range; a NaN initZ gives 0 with NaN heights. readHeight reports kNoSpot, "
      "kOutOfRange for them.");
}

}  // namespace talmeq::python
