// The precision layer in the Python module: readSpot, fitHeightModel and
// readHeight, their result objects and enumerations, and toText. Every name
// is the C++ header's: functions, attributes (centre, sigmaX,
// runnerUpCentre, heightUncertainty...) and enumeration members
// (SpotStatus.kTooDim); toText gives a member's report name ("tooDim").
#include <pybind11/stl.h>
#include <talmeq/precision.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "arrayArguments.h"
#include "calls.h"
#include "cvTypeCasters.h"
#include "intEnums.h"
#include "namedArguments.h"
#include "valueObjects.h"

namespace talmeq::python {

using bindings::FrameLayout;
using namespace pybind11::literals;

namespace {

// A Python enum.IntEnum of `Enum` whose members carry the C++ enumerators'
// names, and the toText overload that gives a member's report name.
template <class Enum>
void addEnum(py::module_& module, const char* name, const char* doc,
             std::initializer_list<std::pair<const char*, Enum>> values) {
  addIntEnum(module, name, doc, values);
  module.def(
      "toText", [](Enum value) { return std::string(toText(value)); }, "value"_a,
      "toText(value) -> str\n\nThe report name of a status or method (\"found\", \"tooDim\", "
      "\"measured\"...).");
}

py::tuple rectangle(const cv::Rect& rect) { return py::make_tuple(rect.x, rect.y, rect.width, rect.height); }

cv::Rect toRect(const std::array<int, 4>& r) { return {r[0], r[1], r[2], r[3]}; }

void addSpotReading(py::module_& module) {
  py::class_<SpotReading> type(module, "SpotReading",
                               "One sub-pixel reading of the laser spot (see readSpot). Positions are full-image "
                               "pixels with each pixel's centre at integer coordinates; levels are red grey levels. "
                               "Members that describe the spot are nan when there is none.");
  type.def(py::init<>())
      .def_readwrite("status", &SpotReading::status)
      .def_readwrite("method", &SpotReading::method)
      .def_readwrite("centre", &SpotReading::centre, "(x, y)")
      .def_property(
          "covariance", [](const SpotReading& r) { return toArray(cv::Mat(r.covariance, true)); },
          [](SpotReading& r, const std::array<std::array<double, 2>, 2>& c) {
            r.covariance = cv::Matx22d(c[0][0], c[0][1], c[1][0], c[1][1]);
          },
          "of the centre, 2 x 2 float64, pixels squared")
      .def_readwrite("uncertainty", &SpotReading::uncertainty, "sqrt of the covariance's trace, pixels")
      .def_readwrite("peak", &SpotReading::peak)
      .def_readwrite("background", &SpotReading::background)
      .def_readwrite("sigmaX", &SpotReading::sigmaX)
      .def_readwrite("sigmaY", &SpotReading::sigmaY)
      .def_readwrite("saturatedFraction", &SpotReading::saturatedFraction)
      .def_readwrite("candidates", &SpotReading::candidates)
      .def_readwrite("runnerUp", &SpotReading::runnerUp, "the strongest rival's strength over the chosen blob's")
      .def_readwrite("runnerUpCentre", &SpotReading::runnerUpCentre, "(x, y)")
      .def_readwrite("detectorResult", &SpotReading::detectorResult, "getSpotCoord's result: 0 or -1")
      .def_readwrite("detectorSpot", &SpotReading::detectorSpot, "getSpotCoord's spot (x, y)")
      .def("hasCentre", &SpotReading::hasCentre);
  addValueMethods(module, type,
                  {"status", "method", "centre", "covariance", "uncertainty", "peak", "background", "sigmaX", "sigmaY",
                   "saturatedFraction", "candidates", "runnerUp", "runnerUpCentre", "detectorResult", "detectorSpot"},
                  {"status", "centre", "uncertainty"});
}

void addHeightResults(py::module_& module) {
  py::class_<HeightModel> model(module, "HeightModel", "The linear height model fitted by fitHeightModel.");
  model.def(py::init<>())
      .def_readwrite("status", &HeightModel::status)
      .def_readwrite("k", &HeightModel::k)
      .def_readwrite("b", &HeightModel::b)
      .def_readwrite("reference", &HeightModel::reference, "(initialX, initialY), pixels")
      .def_property(
          "window", [](const HeightModel& m) { return rectangle(m.window); },
          [](HeightModel& m, const std::array<int, 4>& r) { m.window = toRect(r); }, "RoI (x, y, width, height)")
      .def_readwrite("errors", &HeightModel::errors, "|k * displacement + b - height| per point")
      .def_readwrite("averageError", &HeightModel::averageError);
  addValueMethods(module, model, {"status", "k", "b", "reference", "window", "errors", "averageError"},
                  {"status", "k", "b", "averageError"});

  py::class_<HeightReading> reading(module, "HeightReading", "One height reading (see readHeight).");
  reading.def(py::init<>())
      .def_readwrite("status", &HeightReading::status)
      .def_property(
          "window", [](const HeightReading& r) { return rectangle(r.window); },
          [](HeightReading& r, const std::array<int, 4>& w) { r.window = toRect(w); },
          "the calibrated window moved by the offsets (x, y, width, height)")
      .def_readwrite("spot", &HeightReading::spot, "the SpotReading in the window")
      .def_readwrite("height", &HeightReading::height)
      .def_readwrite("axisZ", &HeightReading::axisZ)
      .def_readwrite("heightUncertainty", &HeightReading::heightUncertainty, "standard deviation of height")
      .def_readwrite("heightPerPixel", &HeightReading::heightPerPixel,
                     "height of one pixel of the spot's distance from the reference point")
      .def_readwrite("wholePixelCalibration", &HeightReading::wholePixelCalibration,
                     "the file was fitted from whole-pixel spots");
  addValueMethods(
      module, reading,
      {"status", "window", "spot", "height", "axisZ", "heightUncertainty", "heightPerPixel", "wholePixelCalibration"},
      {"status", "height", "axisZ", "heightUncertainty"});
}

}  // namespace

void addStationCalls(py::module_& module) {
  addValueHelpers(module);
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
                        {"kNotWritten", ModelStatus::kNotWritten},
                        {"kKept", ModelStatus::kKept}});
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
        const cv::Mat frame = frameView(image, "image", FrameLayout::ColourOrBgra);
        return withoutGil([&] { return readSpot(frame); });
      },
      "image"_a,
      "readSpot(image) -> SpotReading\n\n"
      "The laser spot of an H x W x 3 (or x 4, blue, green, red, alpha) frame to a fraction of a pixel, with its "
      "quality record. "
      "Raises talmeq.OpenCVError for an empty frame or one whose detector window is too small.");

  module.def(
      "fitHeightModel",
      [](const py::object& heightList, const py::object& centreList, const py::object& ymlPath,
         bool replaceWithPoorFit) {
        const std::vector<double> heights = numberList(heightList, "heights");
        const std::vector<cv::Point2d> centres = pointList(centreList, "centres");
        const std::string path = pathArgument(ymlPath, "ymlPath");
        return withoutGil([&] { return fitHeightModel(heights, centres, path, ModelFitOptions{replaceWithPoorFit}); });
      },
      "heights"_a, "centres"_a, "ymlPath"_a, "replaceWithPoorFit"_a = false,
      "fitHeightModel(heights, centres, ymlPath, replaceWithPoorFit=False) -> HeightModel\n\n"
      "Fits the linear height model to known heights and the sub-pixel centres (x, y) seen at them and "
      "rewrites the calibration file, which must hold scale, dist, initZ and focusD. A fit whose average "
      "error exceeds 0.2 keeps a file that already holds a whole calibration (status kKept) unless "
      "replaceWithPoorFit is set; getCalibrationParamByLinear writes it and returns -1. Raises "
      "talmeq.OpenCVError for lists of different lengths, fewer than 3 points, a value that is not finite "
      "or equal first and last heights.");

  module.def(
      "readHeight",
      [](const py::object& image, const py::object& ymlPath) {
        const cv::Mat frame = frameView(image, "image", FrameLayout::ColourOrBgra);
        const std::string path = pathArgument(ymlPath, "ymlPath");
        return withoutGil([&] { return readHeight(frame, path); });
      },
      "image"_a, "ymlPath"_a,
      "readHeight(image, ymlPath) -> HeightReading\n\n"
      "The plane height from the sub-pixel spot in the calibrated window of an H x W x 3 (or x 4) frame, with the "
      "uncertainty the centre carries into it. Raises talmeq.OpenCVError for an empty frame.");
}

}  // namespace talmeq::python
