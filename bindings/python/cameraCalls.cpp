// The camera calibration and image correction functions of the Python module.
#include <pybind11/stl.h>
#include <talmeqAlgorithm.h>

#include <vector>

#include "arrayArguments.h"
#include "calls.h"
#include "cvTypeCasters.h"
#include "namedArguments.h"

namespace talmeq::python {

using bindings::FrameLayout;
using namespace pybind11::literals;

namespace {

using MarkerCorners = std::vector<cv::Point2f>;

py::tuple calibrationResult(int code, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs) {
  return py::make_tuple(code, toArray(cameraMatrix), toArray(distCoeffs));
}

}  // namespace

void addCameraCalls(py::module_& module) {
  module.def(
      "calibChess",
      [](const py::object& image) {
        const cv::Mat frame = frameView(image, "image", FrameLayout::Colour);
        cv::Mat cameraMatrix, distCoeffs;
        const int code = withoutGil([&] { return calibChess(frame, cameraMatrix, distCoeffs); });
        return calibrationResult(code, cameraMatrix, distCoeffs);
      },
      "image"_a,
      "calibChess(image) -> (code, cameraMatrix, distCoeffs)\n\n"
      "Calibrates the camera from one H x W x 3 view of the 17 x 12 inner-corner chessboard: a 3 x 3 "
      "float64 camera matrix and 1 x 5 float64 coefficients k1, k2, p1, p2, k3; both None unless code is 0.\n"
      "code: 0, -1 board not found, -999.\n"
      "The search is not bounded in time: on a frame without the board it runs tens of seconds at 1024 x 768, "
      "minutes on larger frames, and cannot be interrupted. Ask chessboardMayBeThere(image, (17, 12)) first "
      "(within a second), or use findBoardView, which does.");

  module.def(
      "getArucoCorners",
      [](const py::object& image) {
        const cv::Mat frame = frameView(image, "image", FrameLayout::GreyOrColour);
        std::vector<int> ids;
        std::vector<MarkerCorners> corners;
        const int code = withoutGil([&] { return getArucoCorners(frame, ids, corners); });
        return py::make_tuple(code, ids, corners);
      },
      "image"_a,
      "getArucoCorners(image) -> (code, ids, corners)\n\n"
      "The DICT_6X6_250 board markers in an H x W or H x W x 3 frame: a list of identifiers and, for each, "
      "a list of four (x, y) corners clockwise from the marker's top-left. code: 0, -1 none found, -999.");

  module.def(
      "calibAruco",
      [](const py::object& cornerViews, const py::object& idViews, const py::object& size) {
        std::vector<std::vector<MarkerCorners>> allCorners = viewCorners(cornerViews, "allCorners");
        std::vector<std::vector<int>> allIds = viewIds(idViews, "allIds");
        const cv::Size imageSize = sizeArgument(size, "imageSize");
        cv::Mat cameraMatrix, distCoeffs;
        const int code = withoutGil(
            [&] { return calibAruco(std::move(allCorners), std::move(allIds), imageSize, cameraMatrix, distCoeffs); });
        return calibrationResult(code, cameraMatrix, distCoeffs);
      },
      "allCorners"_a, "allIds"_a, "imageSize"_a,
      "calibAruco(allCorners, allIds, imageSize) -> (code, cameraMatrix, distCoeffs)\n\n"
      "Calibrates the camera from several views of the 9 x 6 grid board: per view the corners and ids "
      "getArucoCorners gave (or OpenCV's detectMarkers: corners of shape (n, 1, 4, 2)), and the image size (width, "
      "height). Matrices as for calibChess, None unless "
      "code is 0. code: 0, -1 no view, -2 inconsistent lists, -999.");

  module.def(
      "undistAruco",
      [](const py::object& image, const py::object& cameraMatrix, const py::object& distCoeffs,
         const py::object& size) {
        const cv::Size imageSize = sizeArgument(size, "imageSize");
        const cv::Mat frame = frameView(image, "image", FrameLayout::GreyOrColour);
        py::object keepMatrix, keepCoeffs;
        const cv::Mat matrix = matrixView(cameraMatrix, "cameraMatrix", keepMatrix);
        const cv::Mat coeffs = matrixView(distCoeffs, "distCoeffs", keepCoeffs);
        cv::Mat corrected;
        const int code = withoutGil([&] { return undistAruco(frame, matrix, coeffs, imageSize, corrected); });
        return py::make_tuple(code, toArray(corrected));
      },
      "image"_a, "cameraMatrix"_a, "distCoeffs"_a, "imageSize"_a,
      "undistAruco(image, cameraMatrix, distCoeffs, imageSize) -> (code, corrected)\n\n"
      "Removes the lens distortion of an H x W or H x W x 3 frame into a new array of imageSize "
      "(width, height) with the frame's channels. code: 0, -999.\n"
      "A 3 x 3 camera matrix of zeros, NaN or infinities, or a NaN coefficient, gives code 0 and an all-black "
      "image; undistort refuses them with talmeq.OpenCVError naming the argument.");

  module.def(
      "getCorrectImgByThickness",
      [](const py::object& image, const py::object& cameraMatrix, const py::object& distCoeffs,
         const py::object& thicknessValue) {
        const double thickness = numberArgument(thicknessValue, "thickness");
        const cv::Mat frame = frameView(image, "image", FrameLayout::GreyOrColour);
        py::object keepMatrix, keepCoeffs;
        const cv::Mat matrix = matrixView(cameraMatrix, "cameraMatrix", keepMatrix);
        const cv::Mat coeffs = matrixView(distCoeffs, "distCoeffs", keepCoeffs);
        cv::Mat corrected;
        const int code =
            withoutGil([&] { return getCorrectImgByThickness(frame, matrix, coeffs, thickness, corrected); });
        return py::make_tuple(code, toArray(corrected));
      },
      "image"_a, "cameraMatrix"_a, "distCoeffs"_a, "thickness"_a,
      "getCorrectImgByThickness(image, cameraMatrix, distCoeffs, thickness) -> (code, corrected)\n\n"
      "Undistorts an H x W or H x W x 3 frame and scales it about the principal point by "
      "(190 - thickness) / 190, into a new array of the same shape. code: 0, -999.\n"
      "A camera matrix of zeros, NaN or infinities gives code 0 and an all-black image, and no thickness is "
      "refused (190 collapses, more mirrors); correctForThickness refuses them, naming the argument.");
}

}  // namespace talmeq::python
