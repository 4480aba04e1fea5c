// The precision layer beside the whole-pixel library. It
// reads the laser spot to a fraction of a pixel with a record of how far
// to trust it, turns such spots into a height calibration and heights,
// calibrates the camera from many views with a quality report, and
// characterizes a calibrated station. One header per topic:
//   spotReading.h              readSpot: the sub-pixel spot centre and its quality
//   heightReading.h            fitHeightModel, readHeight: heights from sub-pixel spots
//   boardDescription.h         BoardDescription: the board a set of views shows
//   cameraCalibrationReport.h  findBoardView, calibrateCameraFromViews: camera
//                              calibration with uncertainty, coverage and a verdict;
//                              cameraPlausibilityChecks: what any camera must pass
//   cameraFile.h               writeCameraFile, readCameraFile: the camera file with its record
//   stationCharacterization.h  characterizeStation: linearity, offset, repeatability, drift
//   heightOffsetCorrection.h   correctHeightOffset: the height offset shifted, with a status
//   cameraCorrection.h         undistort, correctForThickness: corrections that refuse non-cameras
//   chessboardCheck.h          chessboardMayBeThere: the quick look before the corner search
//   calibrationLock.h          CalibrationLock: the calibration file's advisory lock
//   explanations.h             result meanings and the reasons a record gives, in words
//   annotations.h, plots.h     records drawn over their image; calibration and characterization plots
//
// Conventions of the whole library (namespace talmeq): plain result structs
// whose status enum says what a frame or file turned out to hold, and
// cv::Exception (StsBadArg) for arguments that cannot be used at all, as
// each function states. No function logs; only correctHeightOffset takes a
// lock (the file's CalibrationLock), and no result
// depends on an earlier call. The per-frame readings (readSpot, readHeight)
// keep their buffers per thread, grown to the largest frame seen and
// released after 16 calls in a row on frames of under a quarter of its
// area; a reading called again on the same thread from inside another (a
// log router's appender, say) gets buffers of its own. Calls on different
// files may run on any number of threads.
// A host must be built against the same OpenCV, compiler runtime and
// standard library, since cv::Mat, std::vector and std::string cross the
// boundary.
#pragma once

#include "annotations.h"
#include "calibrationLock.h"
#include "cameraCalibrationReport.h"
#include "cameraCorrection.h"
#include "cameraFile.h"
#include "chessboardCheck.h"
#include "explanations.h"
#include "heightOffsetCorrection.h"
#include "heightReading.h"
#include "plots.h"
#include "spotReading.h"
#include "stationCharacterization.h"
