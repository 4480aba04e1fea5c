// The precision layer in the Python module: readSpot, fitHeightModel and
// readHeight, their result objects and enumerations, and toText. Every name
// is the C++ header's: functions, attributes (centre, sigmaX,
// runnerUpCentre, heightUncertainty...) and enumeration members
// (SpotStatus.kTooDim); toText gives a member's report name ("tooDim").
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>
#include <talmeq/precision.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "arrayArguments.h"
#include "calls.h"
#include "cvTypeCasters.h"

namespace talmeq::python {

using bindings::FrameLayout;
using namespace pybind11::literals;

namespace {

// A Python enumeration of `Enum` whose members carry the C++ enumerators'
// names, and the toText overload that gives a member's report name.
template <class Enum>
void addEnum(py::module_& module, const char* name, const char* doc,
             std::initializer_list<std::pair<const char*, Enum>> values) {
  py::enum_<Enum> type(module, name, doc);
  for (const auto& [memberName, value] : values) type.value(memberName, value);
  module.def(
      "toText", [](Enum value) { return std::string(toText(value)); }, "value"_a,
      "toText(value) -> str\n\nThe report name of a status or method (\"found\", \"tooDim\", "
      "\"measured\"...).");
}

py::tuple rectangle(const cv::Rect& rect) { return py::make_tuple(rect.x, rect.y, rect.width, rect.height); }

void addSpotReading(py::module_& module) {
  py::class_<SpotReading>(module, "SpotReading",
                          "One sub-pixel reading of the laser spot (see readSpot). Positions are full-image "
                          "pixels with each pixel's centre at integer coordinates; levels are red grey levels. "
                          "Members that describe the spot are nan when there is none.")
      .def_readonly("status", &SpotReading::status)
      .def_readonly("method", &SpotReading::method)
      .def_readonly("centre", &SpotReading::centre, "(x, y)")
      .def_property_readonly(
          "covariance", [](const SpotReading& r) { return toArray(cv::Mat(r.covariance, true)); },
          "of the centre, 2 x 2 float64, pixels squared")
      .def_readonly("uncertainty", &SpotReading::uncertainty, "sqrt of the covariance's trace, pixels")
      .def_readonly("peak", &SpotReading::peak)
      .def_readonly("background", &SpotReading::background)
      .def_readonly("sigmaX", &SpotReading::sigmaX)
      .def_readonly("sigmaY", &SpotReading::sigmaY)
      .def_readonly("saturatedFraction", &SpotReading::saturatedFraction)
      .def_readonly("candidates", &SpotReading::candidates)
      .def_readonly("runnerUp", &SpotReading::runnerUp, "the strongest rival's strength over the chosen blob's")
      .def_readonly("runnerUpCentre", &SpotReading::runnerUpCentre, "(x, y)")
      .def_readonly("detectorResult", &SpotReading::detectorResult, "getSpotCoord's result: 0 or -1")
      .def_readonly("detectorSpot", &SpotReading::detectorSpot, "getSpotCoord's spot (x, y)")
      .def("hasCentre", &SpotReading::hasCentre)
      .def("__repr__", [](const SpotReading& r) {
        return "SpotReading(" + std::string(toText(r.status)) + ", centre=(" + std::to_string(r.centre.x) + ", " +
               std::to_string(r.centre.y) + "), uncertainty=" + std::to_string(r.uncertainty) + ")";
      });
}

void addHeightResults(py::module_& module) {
  py::class_<HeightModel>(module, "HeightModel", "The linear height model fitted by fitHeightModel.")
      .def_readonly("status", &HeightModel::status)
      .def_readonly("k", &HeightModel::k)
      .def_readonly("b", &HeightModel::b)
      .def_readonly("reference", &HeightModel::reference, "(initialX, initialY), pixels")
      .def_property_readonly(
          "window", [](const HeightModel& m) { return rectangle(m.window); }, "RoI (x, y, width, height)")
      .def_readonly("errors", &HeightModel::errors, "|k * displacement + b - height| per point")
      .def_readonly("averageError", &HeightModel::averageError);

  py::class_<HeightReading>(module, "HeightReading", "One height reading (see readHeight).")
      .def_readonly("status", &HeightReading::status)
      .def_property_readonly(
          "window", [](const HeightReading& r) { return rectangle(r.window); },
          "the calibrated window moved by the offsets (x, y, width, height)")
      .def_readonly("spot", &HeightReading::spot, "the SpotReading in the window")
      .def_readonly("height", &HeightReading::height)
      .def_readonly("axisZ", &HeightReading::axisZ)
      .def_readonly("heightUncertainty", &HeightReading::heightUncertainty, "standard deviation of height")
      .def_readonly("heightPerPixel", &HeightReading::heightPerPixel,
                    "height of one pixel of the spot's distance from the reference point")
      .def_readonly("wholePixelCalibration", &HeightReading::wholePixelCalibration,
                    "the file was fitted from whole-pixel spots");
}

}  // namespace

void addStationCalls(py::module_& module) {
  addEnum<SpotStatus>(module, "SpotStatus", "What a frame turned out to hold.",
                      {{"kFound", SpotStatus::kFound},
                       {"kSaturated", SpotStatus::kSaturated},
                       {"kTooDim", SpotStatus::kTooDim},
                       {"kAmbiguous", SpotStatus::kAmbiguous},
                       {"kNoSpot", SpotStatus::kNoSpot}});
  addEnum<CentreMethod>(module, "CentreMethod", "How the centre was estimated.",
                        {{"kNone", CentreMethod::kNone},
                         {"kGaussianFit", CentreMethod::kGaussianFit},
                         {"kHalfMaxCentroid", CentreMethod::kHalfMaxCentroid}});
  addEnum<ModelStatus>(module, "ModelStatus", "What fitHeightModel did with the file.",
                       {{"kWritten", ModelStatus::kWritten},
                        {"kPoorFit", ModelStatus::kPoorFit},
                        {"kNoSettings", ModelStatus::kNoSettings},
                        {"kNotWritten", ModelStatus::kNotWritten}});
  addEnum<HeightStatus>(module, "HeightStatus", "What readHeight measured.",
                        {{"kMeasured", HeightStatus::kMeasured},
                         {"kOutOfRange", HeightStatus::kOutOfRange},
                         {"kNoSpot", HeightStatus::kNoSpot},
                         {"kNoCalibration", HeightStatus::kNoCalibration},
                         {"kWindowOutside", HeightStatus::kWindowOutside}});
  addSpotReading(module);
  addHeightResults(module);

  module.def(
      "readSpot",
      [](const py::object& image) {
        const cv::Mat frame = frameView(image, "image", FrameLayout::Colour);
        return withoutGil([&] { return readSpot(frame); });
      },
      "image"_a,
      "readSpot(image) -> SpotReading\n\n"
      "The laser spot of an H x W x 3 frame to a fraction of a pixel, with its quality record. "
      "Raises talmeq.OpenCVError for an empty frame or one whose detector window is too small.");

  module.def(
      "fitHeightModel",
      [](std::vector<double> heights, std::vector<cv::Point2d> centres, const std::filesystem::path& ymlPath) {
        const std::string path = ymlPath.string();
        return withoutGil([&] { return fitHeightModel(heights, centres, path); });
      },
      "heights"_a, "centres"_a, "ymlPath"_a,
      "fitHeightModel(heights, centres, ymlPath) -> HeightModel\n\n"
      "Fits the linear height model to known heights and the sub-pixel centres (x, y) seen at them and "
      "rewrites the calibration file, which must hold scale, dist, initZ and focusD. Raises "
      "talmeq.OpenCVError for lists of different lengths, fewer than 3 points, a value that is not finite "
      "or equal first and last heights.");

  module.def(
      "readHeight",
      [](const py::object& image, const std::filesystem::path& ymlPath) {
        const cv::Mat frame = frameView(image, "image", FrameLayout::Colour);
        const std::string path = ymlPath.string();
        return withoutGil([&] { return readHeight(frame, path); });
      },
      "image"_a, "ymlPath"_a,
      "readHeight(image, ymlPath) -> HeightReading\n\n"
      "The plane height from the sub-pixel spot in the calibrated window of an H x W x 3 frame, with the "
      "uncertainty the centre carries into it. Raises talmeq.OpenCVError for an empty frame.");
}

}  // namespace talmeq::python
