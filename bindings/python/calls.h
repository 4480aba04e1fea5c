// The groups of functions of the Python module talmeq, one source file
// each; module.cpp adds them all.
#pragma once

#include <pybind11/pybind11.h>

namespace talmeq::python {

// talmeq.OpenCVError, raised for every cv::Exception of the library.
void addOpenCvError(pybind11::module_& module);

// getSpotCoord, getCalibrationParamByLinear, correctYml, getPlaneHeightByLinear.
void addHeightCalls(pybind11::module_& module);

// calibChess, getArucoCorners, calibAruco, undistAruco, getCorrectImgByThickness.
void addCameraCalls(pybind11::module_& module);

// The precision layer: readSpot, fitHeightModel, readHeight, their result
// types and enumerations, and toText.
void addStationCalls(pybind11::module_& module);

// BoardDescription, readBoardDescription and findBoardView.
void addBoardCalls(pybind11::module_& module);

// BoardView, CalibrationTarget, the calibration report's types and
// calibrateCameraFromViews.
void addReportCalls(pybind11::module_& module);

// HeightSample, the characterization's types and characterizeStation.
void addCharacterizationCalls(pybind11::module_& module);

// correctHeightOffset, undistort, correctForThickness, chessboardMayBeThere,
// stationChessboard and stationArucoGrid.
void addCorrectionCalls(pybind11::module_& module);

// The log's control: LogStream, LogLevel, setLogLevel, setLogCallback,
// setLogFolder, logFailedWrites and logToPython.
void addLogCalls(pybind11::module_& module);

// Wraps every function of the module so that a call matching no signature
// raises a TypeError naming the arguments at fault, without their values;
// added last.
void conciseArgumentErrors(pybind11::module_& module);

}  // namespace talmeq::python
