// The nine exported functions over the core's stages. Each runs the common call frame (callFrame.h): start
// message where it has one, body, end message where it has one, and a boundary catching only text exceptions:
//   spotDetection       getSpotCoord
//   linearCalibration   getCalibrationParamByLinear, correctYml (and calRoI)
//   heightMeasurement   getPlaneHeightByLinear, over regionLocation
//   cameraCalibration   calibChess, getArucoCorners, calibAruco
//   imageCorrection     undistAruco, getCorrectImgByThickness
#include <talmeqAlgorithm.h>

#include "callFrame.h"
#include "cameraCalibration.h"
#include "frameWorkspace.h"
#include "heightMeasurement.h"
#include "imageCorrection.h"
#include "linearCalibration.h"
#include "spotDetection.h"
#include "threadOwned.h"

using namespace talmeq;
using namespace talmeq::detail;

int getSpotCoord(cv::Mat image, cv::Point& coord) {
  logMessage("getSpotCoord: start! ", kVersion);
  try {
    coord = cv::Point(0, 0);
    const ThreadWorkspace<SpotWorkspace>::Scope workspace(image.size());
    spot::Trace& trace = spotWorkspace().trace;
    spot::traceSpotInto(image, trace);
    return spot::reportSpot(trace, coord);
  } catch (const char*) {
    return TALMEQ_FAILURE(spot::kName, kTextException);
  }
}

int getCalibrationParamByLinear(std::vector<double> heights, std::vector<cv::Point> coords, std::string ymlPath) {
  logMessage("getCalibrationParamByLinear: start! ", kVersion);
  try {
    return linear::calibrate(heights, coords, ymlPath);
  } catch (const char*) {
    return TALMEQ_FAILURE(linear::kCalibrationName, kTextException);
  }
}

int correctYml(double fromZ, double toZ, std::string ymlPath) {
  logMessage("correctYml: start! ", kVersion);
  try {
    return linear::shiftInitZ(fromZ, toZ, ymlPath);
  } catch (const char*) {
    return TALMEQ_FAILURE(linear::kCorrectionName, kTextException);
  }
}

// Writes nothing to the logger on any path, the -999 path included.
int getPlaneHeightByLinear(cv::Mat image, std::string ymlPath, double& height, double& axisZ) {
  // Per thread: its blob list keeps its capacity between frames.
  return recordHeightMeasurement(image, ymlPath, height, axisZ, threadOwned<HeightMeasurementRecord>());
}

int calibChess(cv::Mat image, cv::Mat& cameraMatrix, cv::Mat& distCoeffs) {
  logMessage("calibChess: start!");
  try {
    return camera::calibrateFromChessboard(image, cameraMatrix, distCoeffs);
  } catch (const char*) {
    return TALMEQ_FAILURE(camera::kChessName, kTextException);
  }
}

int getCorrectImgByThickness(cv::Mat image, cv::Mat cameraMatrix, cv::Mat distCoeffs, double thickness,
                             cv::Mat& corrected) {
  logMessage("getCorrectImg: start!");
  try {
    correction::correctByThickness(image, cameraMatrix, distCoeffs, thickness, corrected);
    logMessage("getCorrectImg: end!");
    return kOk;
  } catch (const char*) {
    return TALMEQ_FAILURE(correction::kThicknessName, kTextException);
  }
}

int getArucoCorners(cv::Mat image, std::vector<int>& ids, std::vector<std::vector<cv::Point2f>>& corners) {
  try {
    return camera::detectBoardMarkers(image, ids, corners);
  } catch (const char*) {
    return TALMEQ_FAILURE(camera::kArucoCornersName, kTextException);
  }
}

int calibAruco(std::vector<std::vector<std::vector<cv::Point2f>>> allCorners, std::vector<std::vector<int>> allIds,
               cv::Size imageSize, cv::Mat& cameraMatrix, cv::Mat& distCoeffs) {
  try {
    return camera::calibrateFromBoardViews(allCorners, allIds, imageSize, cameraMatrix, distCoeffs);
  } catch (const char*) {
    return TALMEQ_FAILURE(camera::kArucoCalibName, kTextException);
  }
}

int undistAruco(cv::Mat image, cv::Mat cameraMatrix, cv::Mat distCoeffs, cv::Size imageSize, cv::Mat& corrected) {
  try {
    correction::undistortByMap(image, cameraMatrix, distCoeffs, imageSize, corrected);
    return kOk;
  } catch (const char*) {
    return TALMEQ_FAILURE(correction::kUndistName, kTextException);
  }
}
