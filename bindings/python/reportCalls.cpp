// The camera calibration from many views in the Python module: BoardView
// (what findBoardView finds), CalibrationThresholds, CameraParameters,
// ViewQuality, VerdictCheck and CameraCalibrationReport, and
// calibrateCameraFromViews. Every name is the C++ header's; matrices are
// float64 arrays, points tuples, lists of them lists.
#include <pybind11/stl.h>
#include <talmeq/precision.h>

#include <string>
#include <vector>

#include "arrayArguments.h"
#include "calls.h"
#include "cvTypeCasters.h"
#include "intEnums.h"
#include "valueObjects.h"

namespace talmeq::python {

using namespace pybind11::literals;

namespace {

using Point3 = std::tuple<float, float, float>;

std::vector<Point3> toTuples(const std::vector<cv::Point3f>& points) {
  std::vector<Point3> tuples;
  for (const cv::Point3f& p : points) tuples.emplace_back(p.x, p.y, p.z);
  return tuples;
}

std::vector<cv::Point3f> toPoints(const std::vector<Point3>& tuples) {
  std::vector<cv::Point3f> points;
  for (const auto& [x, y, z] : tuples) points.emplace_back(x, y, z);
  return points;
}

// A matrix attribute: an array out (None when empty), and in a copy of any
// array of numbers (float64), or of int32 for the integer `depth`.
template <class T>
void matrixAttribute(py::class_<T>& type, const char* name, cv::Mat T::*member, const char* doc, int depth = CV_64F) {
  type.def_property(
      name, [member](const T& value) { return toArray(value.*member); },
      [member, name, depth](T& value, const py::object& matrix) {
        if (matrix.is_none()) {
          value.*member = cv::Mat();
        } else if (depth == CV_32S) {
          const auto counts = py::array_t<int, py::array::c_style | py::array::forcecast>::ensure(matrix);
          if (!counts || counts.ndim() != 2) throw py::value_error(std::string(name) + " must be a 2-D array of ints");
          value.*member = cv::Mat(static_cast<int>(counts.shape(0)), static_cast<int>(counts.shape(1)), CV_32S,
                                  const_cast<int*>(counts.data()))
                              .clone();
        } else {
          py::object keeper;
          value.*member = matrixView(matrix, name, keeper).clone();
        }
      },
      doc);
}

void addBoardView(py::module_& module) {
  addIntEnum<CalibrationTarget>(
      module, "CalibrationTarget", "The station's two calibration targets.",
      {{"kChessboard", CalibrationTarget::kChessboard}, {"kArucoGrid", CalibrationTarget::kArucoGrid}});
  py::class_<BoardView> type(module, "BoardView",
                             "The board points found in one view (see findBoardView). Unpacks as "
                             "(found, boardPoints, imagePoints, misfit).");
  type.def(py::init<>())
      .def_readwrite("target", &BoardView::target)
      .def_readwrite("found", &BoardView::found, "the full chessboard, or at least one board marker")
      .def_property(
          "boardPoints", [](const BoardView& v) { return toTuples(v.boardPoints); },
          [](BoardView& v, const std::vector<Point3>& points) { v.boardPoints = toPoints(points); },
          "(x, y, z) board units, z = 0")
      .def_readwrite("imagePoints", &BoardView::imagePoints, "(x, y) pixels, refined to sub-pixel")
      .def_readwrite("misfit", &BoardView::misfit, "what was seen when it cannot be the described board")
      .def("__iter__", [](const py::object& view) {
        return py::iter(py::make_tuple(view.attr("found"), view.attr("boardPoints"), view.attr("imagePoints"),
                                       view.attr("misfit")));
      });
  addValueMethods(module, type, {"target", "found", "boardPoints", "imagePoints", "misfit"}, {"found", "misfit"});
}

void addParameters(py::module_& module) {
  py::class_<CameraParameters> camera(module, "CameraParameters",
                                      "Focal lengths and principal point (pixels), distortion k1, k2, p1, p2, k3.");
  camera.def(py::init<>());
  for (const auto& [name, member] : {std::pair{"fx", &CameraParameters::fx},
                                     {"fy", &CameraParameters::fy},
                                     {"cx", &CameraParameters::cx},
                                     {"cy", &CameraParameters::cy},
                                     {"k1", &CameraParameters::k1},
                                     {"k2", &CameraParameters::k2},
                                     {"p1", &CameraParameters::p1},
                                     {"p2", &CameraParameters::p2},
                                     {"k3", &CameraParameters::k3}})
    camera.def_readwrite(name, member);
  addValueMethods(module, camera, {"fx", "fy", "cx", "cy", "k1", "k2", "p1", "p2", "k3"},
                  {"fx", "fy", "cx", "cy", "k1", "k2", "p1", "p2", "k3"});

  py::class_<CalibrationThresholds> thresholds(module, "CalibrationThresholds",
                                               "Thresholds of the calibration's verdict; the defaults are the "
                                               "station's.");
  thresholds.def(py::init<>())
      .def_readwrite("maxRelativeUncertainty", &CalibrationThresholds::maxRelativeUncertainty)
      .def_readwrite("maxRms", &CalibrationThresholds::maxRms)
      .def_readwrite("minCoverageScore", &CalibrationThresholds::minCoverageScore)
      .def_readwrite("minViews", &CalibrationThresholds::minViews)
      .def_readwrite("maxViews", &CalibrationThresholds::maxViews)
      .def_readwrite("minTiltedViews", &CalibrationThresholds::minTiltedViews)
      .def_readwrite("minTilt", &CalibrationThresholds::minTilt)
      .def_readwrite("outlierFactor", &CalibrationThresholds::outlierFactor)
      .def_readwrite("minOutlierRms", &CalibrationThresholds::minOutlierRms)
      .def_readwrite("maxCrossValidation", &CalibrationThresholds::maxCrossValidation)
      .def_readwrite("minFocalPerWidth", &CalibrationThresholds::minFocalPerWidth)
      .def_readwrite("maxFocalPerWidth", &CalibrationThresholds::maxFocalPerWidth);
  addValueMethods(
      module, thresholds,
      {"maxRelativeUncertainty", "maxRms", "minCoverageScore", "minViews", "maxViews", "minTiltedViews", "minTilt",
       "outlierFactor", "minOutlierRms", "maxCrossValidation", "minFocalPerWidth", "maxFocalPerWidth"},
      {"maxRms", "minViews", "minCoverageScore"});

  py::class_<VerdictCheck> check(module, "VerdictCheck", "One threshold of a verdict and the figure measured.");
  check.def(py::init<>())
      .def_readwrite("name", &VerdictCheck::name)
      .def_readwrite("rule", &VerdictCheck::rule)
      .def_readwrite("threshold", &VerdictCheck::threshold)
      .def_readwrite("value", &VerdictCheck::value)
      .def_readwrite("passed", &VerdictCheck::passed)
      .def_readwrite("evaluated", &VerdictCheck::evaluated, "false: the data could not give the figure (value NaN)");
  addValueMethods(module, check, {"name", "rule", "threshold", "value", "passed", "evaluated"},
                  {"name", "value", "passed"});
}

void addReport(py::module_& module) {
  py::class_<ViewQuality> view(module, "ViewQuality", "One view of the calibration.");
  view.def(py::init<>())
      .def_readwrite("found", &ViewQuality::found)
      .def_readwrite("used", &ViewQuality::used)
      .def_readwrite("points", &ViewQuality::points)
      .def_readwrite("rms", &ViewQuality::rms)
      .def_readwrite("tilt", &ViewQuality::tilt)
      .def_readwrite("repeats", &ViewQuality::repeats)
      .def_readwrite("found2d", &ViewQuality::found2d)
      .def_readwrite("projected", &ViewQuality::projected)
      .def_readwrite("worstPoints", &ViewQuality::worstPoints);
  addValueMethods(module, view,
                  {"found", "used", "points", "rms", "tilt", "repeats", "found2d", "projected", "worstPoints"},
                  {"found", "used", "points", "rms", "tilt"});

  py::class_<CameraCalibrationReport> report(module, "CameraCalibrationReport",
                                             "The camera calibrated from many views, with its quality record.");
  report.def(py::init<>()).def_readwrite("imageSize", &CameraCalibrationReport::imageSize, "(width, height)");
  matrixAttribute(report, "cameraMatrix", &CameraCalibrationReport::cameraMatrix, "3 x 3 float64");
  matrixAttribute(report, "distCoeffs", &CameraCalibrationReport::distCoeffs, "1 x 5 float64");
  report.def_readwrite("camera", &CameraCalibrationReport::camera)
      .def_readwrite("uncertainty", &CameraCalibrationReport::uncertainty, "1 sigma of each parameter")
      .def_readwrite("rms", &CameraCalibrationReport::rms)
      .def_readwrite("views", &CameraCalibrationReport::views)
      .def_readwrite("usedViews", &CameraCalibrationReport::usedViews);
  matrixAttribute(report, "coverage", &CameraCalibrationReport::coverage, "10 x 10 int32", CV_32S);
  report.def_readwrite("coverageScore", &CameraCalibrationReport::coverageScore)
      .def_readwrite("coveredShare", &CameraCalibrationReport::coveredShare)
      .def_readwrite("crossValidation", &CameraCalibrationReport::crossValidation)
      .def_readwrite("straightness", &CameraCalibrationReport::straightness)
      .def_readwrite("checks", &CameraCalibrationReport::checks)
      .def_readwrite("accepted", &CameraCalibrationReport::accepted);
  addValueMethods(
      module, report,
      {"imageSize", "cameraMatrix", "distCoeffs", "camera", "uncertainty", "rms", "views", "usedViews", "coverage",
       "coverageScore", "coveredShare", "crossValidation", "straightness", "checks", "accepted"},
      {"accepted", "rms", "usedViews", "camera"});
}

}  // namespace

void addReportCalls(py::module_& module) {
  addBoardView(module);
  addParameters(module);
  addReport(module);
  module.def(
      "calibrateCameraFromViews",
      [](const std::vector<BoardView>& views, cv::Size imageSize, const CalibrationThresholds& thresholds) {
        return withoutGil([&] { return calibrateCameraFromViews(views, imageSize, thresholds); });
      },
      "views"_a, "imageSize"_a, "thresholds"_a = CalibrationThresholds{},
      "calibrateCameraFromViews(views, imageSize, thresholds=CalibrationThresholds()) -> CameraCalibrationReport\n\n"
      "Calibrates the camera from the BoardViews of findBoardView (views not found are kept in the report and "
      "skipped), leaves out the worst view when it is an outlier, and measures the quality: per-parameter "
      "uncertainty, per-view RMS, coverage, a cross-validation, straightness and a verdict of checks. "
      "imageSize is (width, height) of every view. Raises talmeq.OpenCVError when no view has board points or "
      "the views show different targets.");
  module.def(
      "cameraPlausibilityChecks",
      [](const py::object& cameraMatrix, cv::Size imageSize, double rms, const CalibrationThresholds& thresholds) {
        py::object keep;
        return cameraPlausibilityChecks(matrixView(cameraMatrix, "cameraMatrix", keep), imageSize, rms, thresholds);
      },
      "cameraMatrix"_a, "imageSize"_a, "rms"_a, "thresholds"_a = CalibrationThresholds{},
      "cameraPlausibilityChecks(cameraMatrix, imageSize, rms, thresholds=CalibrationThresholds()) -> "
      "list[VerdictCheck]\n\n"
      "What any calibrated camera must pass, from one view or many: rms below maxRms (not evaluated when NaN), "
      "the principal point inside the image, fx and fy within minFocalPerWidth .. maxFocalPerWidth times the "
      "image width. cameraMatrix is 3 x 3 float64.");
}

}  // namespace talmeq::python
