// The station layer's corrections and checks in the Python module:
// correctHeightOffset with OffsetStatus and OffsetCorrection, undistort and
// correctForThickness (which refuse what cannot be a camera),
// chessboardMayBeThere, and the station's two boards.
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>
#include <talmeq/precision.h>

#include <filesystem>
#include <string>

#include "arrayArguments.h"
#include "calls.h"
#include "cvTypeCasters.h"
#include "intEnums.h"
#include "valueObjects.h"

namespace talmeq::python {

using bindings::FrameLayout;
using namespace pybind11::literals;

namespace {

// A camera correction's arguments, converted in the order they are given:
// the frame and the camera's values as headers over the host's arrays, kept
// alive (or their converted copies) for the length of the call.
struct CameraArguments {
  CameraArguments(const py::object& image, const py::object& cameraMatrix, const py::object& distCoeffs)
      : frame(frameView(image, "image", FrameLayout::GreyOrColour)),
        matrix(matrixView(cameraMatrix, "cameraMatrix", matrixKeeper)),
        coefficients(matrixView(distCoeffs, "distCoeffs", coefficientsKeeper)) {}
  py::object matrixKeeper, coefficientsKeeper;
  cv::Mat frame, matrix, coefficients;
};

void addOffsetCorrection(py::module_& module) {
  addIntEnum<OffsetStatus>(module, "OffsetStatus", "What correctHeightOffset did with the file.",
                           {{"kCorrected", OffsetStatus::kCorrected},
                            {"kNotCalibration", OffsetStatus::kNotCalibration},
                            {"kNotFinite", OffsetStatus::kNotFinite},
                            {"kNotWritten", OffsetStatus::kNotWritten}});
  module.def(
      "toText", [](OffsetStatus status) { return std::string(toText(status)); }, "value"_a,
      "toText(value) -> str\n\nThe report name of an OffsetStatus (\"corrected\", \"notFinite\"...).");
  py::class_<OffsetCorrection> type(module, "OffsetCorrection", "What correctHeightOffset did.");
  type.def(py::init<>())
      .def_readwrite("status", &OffsetCorrection::status)
      .def_readwrite("initZBefore", &OffsetCorrection::initZBefore, "initZ as read; nan without a calibration")
      .def_readwrite("initZAfter", &OffsetCorrection::initZAfter, "the shifted initZ, written when corrected");
  addValueMethods(module, type, {"status", "initZBefore", "initZAfter"}, {"status", "initZBefore", "initZAfter"});
  module.def(
      "correctHeightOffset",
      [](double measured, double truth, const std::filesystem::path& ymlPath) {
        const std::string path = ymlPath.string();
        return withoutGil([&] { return correctHeightOffset(measured, truth, path); });
      },
      "measured"_a, "truth"_a, "ymlPath"_a,
      "correctHeightOffset(measured, truth, ymlPath) -> OffsetCorrection\n\n"
      "Shifts the calibration file's initZ by truth - measured, so that a plane that measured `measured` "
      "measures `truth`, holding the file's lock (ymlPath + '.lock') as the talmeq tool does. Unlike correctYml "
      "it refuses non-finite heights (kNotFinite), a file without the eleven calibration keys "
      "(kNotCalibration) and reports a file it could not replace (kNotWritten); the file is unchanged then.");
}

void addCorrections(py::module_& module) {
  module.def(
      "undistort",
      [](const py::object& image, const py::object& cameraMatrix, const py::object& distCoeffs, cv::Size size) {
        const CameraArguments a(image, cameraMatrix, distCoeffs);
        return toArray(withoutGil([&] { return undistort(a.frame, a.matrix, a.coefficients, size); }));
      },
      "image"_a, "cameraMatrix"_a, "distCoeffs"_a, "size"_a,
      "undistort(image, cameraMatrix, distCoeffs, size) -> ndarray\n\n"
      "undistAruco's pixels, into an image of size (width, height), after refusing what cannot be a camera: "
      "talmeq.OpenCVError naming the argument for fx or fy not positive and finite, a last row other than "
      "0 0 1, a coefficient not finite or not 4, 5, 8, 12 or 14 of them.");
  module.def(
      "correctForThickness",
      [](const py::object& image, const py::object& cameraMatrix, const py::object& distCoeffs, double thickness) {
        const CameraArguments a(image, cameraMatrix, distCoeffs);
        return toArray(withoutGil([&] { return correctForThickness(a.frame, a.matrix, a.coefficients, thickness); }));
      },
      "image"_a, "cameraMatrix"_a, "distCoeffs"_a, "thickness"_a,
      "correctForThickness(image, cameraMatrix, distCoeffs, thickness) -> ndarray\n\n"
      "getCorrectImgByThickness's pixels after the checks of undistort and 0 <= thickness < 190.");
  module.def(
      "chessboardMayBeThere",
      [](const py::object& image, cv::Size innerCorners) {
        const cv::Mat frame = frameView(image, "image", FrameLayout::GreyOrColour);
        return withoutGil([&] { return chessboardMayBeThere(frame, innerCorners); });
      },
      "image"_a, "innerCorners"_a,
      "chessboardMayBeThere(image, innerCorners) -> bool\n\n"
      "False when a chessboard of innerCorners (columns, rows) cannot be in the frame; answers within a "
      "second. Call it before calibChess, whose search can block for minutes on a frame without the board.");
  module.def("stationChessboard", &stationChessboard,
             "stationChessboard() -> BoardDescription\n\nThe station's 17 x 12 inner-corner chessboard, pitch 15.");
  module.def("stationArucoGrid", &stationArucoGrid,
             "stationArucoGrid() -> BoardDescription\n\nThe station's 9 x 6 DICT_6X6_250 marker grid.");
}

}  // namespace

void addCorrectionCalls(py::module_& module) {
  addOffsetCorrection(module);
  addCorrections(module);
}

}  // namespace talmeq::python
