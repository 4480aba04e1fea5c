// The nine exported functions of the talmeq library and its two internal
// functions. Each export runs in the common call frame (callFrame.h): start
// message, checks, work, end message, and a boundary that catches only text
// exceptions.
#include "talmeqAlgorithm.h"

#include <opencv2/aruco.hpp>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <functional>

#include "callFrame.h"

using namespace talmeq;

// ---------------------------------------------------------------------------
// Laser-spot detection
// ---------------------------------------------------------------------------
namespace {

using Contour = std::vector<cv::Point>;
using Contours = std::vector<Contour>;

constexpr const char* kSpotName = "getSpotCoord";
constexpr int kRankedPixels = 16;    // the 16th largest grey value sets the threshold
constexpr int kThresholdCap = 225;
constexpr int kBrightSwitch = 200;   // thr >= 200: bright method, below: dim method
constexpr double kMinSpotArea = 5.0;
constexpr double kMaxSpotArea = 300.0;
constexpr double kMinRatio = 0.3;
constexpr double kMaxRatio = 3.0;
constexpr double kCircularityFactor = 12.5663704;
constexpr double kMinCircularity = 0.5;

// The fixed window right of and below the image centre that can hold the spot.
cv::Rect spotWindow(int cols, int rows) {
  const int x = static_cast<int>(cols * 0.35);
  const int y = static_cast<int>(rows * 0.45);
  return {x, y, static_cast<int>(cols * 0.35), static_cast<int>(rows * 0.3)};
}

// min(16th largest grey value of the window, 225).
int rankThreshold(const cv::Mat& greyWindow) {
  std::vector<uchar> values;
  values.reserve(greyWindow.total());
  for (int r = 0; r < greyWindow.rows; ++r) {
    const uchar* row = greyWindow.ptr<uchar>(r);
    values.insert(values.end(), row, row + greyWindow.cols);
  }
  std::nth_element(values.begin(), values.begin() + (kRankedPixels - 1), values.end(),
                   std::greater<uchar>());
  return std::min<int>(values[kRankedPixels - 1], kThresholdCap);
}

// Bright method: grey above thr, joined by a 3 x 3 cross closing.
cv::Mat brightForeground(const cv::Mat& grey, int thr) {
  cv::Mat binary;
  cv::threshold(grey, binary, thr, 255, cv::THRESH_BINARY);
  const cv::Mat cross = cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3));
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE, cross, cv::Point(-1, -1), 3);
  return binary;
}

// Dim method: red channel above its 51 x 51 background by more than 50,
// joined along rows and then along columns.
cv::Mat dimForeground(const cv::Mat& image) {
  std::vector<cv::Mat> channels;
  cv::split(image, channels);
  const cv::Mat& red = channels[2];
  cv::Mat background, difference, binary;
  cv::blur(red, background, cv::Size(51, 51));
  cv::subtract(red, background, difference);
  cv::threshold(difference, binary, 50, 255, cv::THRESH_BINARY);
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE,
                   cv::getStructuringElement(cv::MORPH_RECT, cv::Size(101, 11)));
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE,
                   cv::getStructuringElement(cv::MORPH_RECT, cv::Size(11, 101)));
  return binary;
}

// Keeps the contours that pass the area, aspect and circularity screens,
// logging each screened candidate.
Contours screenCandidates(const Contours& contours) {
  Contours accepted;
  for (const Contour& contour : contours) {
    const double area = cv::contourArea(contour);
    const cv::Rect box = cv::boundingRect(contour);
    const double ratio = static_cast<double>(box.width) / static_cast<double>(box.height);
    if (area < kMinSpotArea) continue;
    logMessage("getSpotCoord: area = ", area, ", ratio = ", ratio);
    if (!(area < kMaxSpotArea && ratio > kMinRatio && ratio < kMaxRatio)) continue;
    const double perimeter = cv::arcLength(contour, true);
    const double circularity = area * kCircularityFactor / perimeter / perimeter;
    logMessage("getSpotCoord: circlirity = ", circularity);
    if (circularity > kMinCircularity) accepted.push_back(contour);
  }
  return accepted;
}

// Index of the largest blob; the best area is kept truncated to an int, so a
// later blob that only beats its integer part takes over.
std::size_t largestBlob(const Contours& blobs) {
  std::size_t best = 0;
  int bestArea = 0;
  for (std::size_t i = 0; i < blobs.size(); ++i) {
    const double area = cv::contourArea(blobs[i]);
    if (area > bestArea) {
      best = i;
      bestArea = static_cast<int>(area);
    }
  }
  return best;
}

int detectSpot(const cv::Mat& image, cv::Point& coord) {
  if (image.empty()) {
    logMessage("getSpotCoord: image empty!");
    return TALMEQ_FAILURE(kSpotName, kBadInput);
  }
  const cv::Rect window = spotWindow(image.cols, image.rows);
  if (window.area() < kRankedPixels) return TALMEQ_FAILURE(kSpotName, kBadInput);
  CV_CheckDepthEQ(image.depth(), CV_8U, "getSpotCoord expects an 8-bit image");

  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  const int thr = rankThreshold(grey(window));
  logMessage("best gray thr = ", thr);
  cv::Mat binary = thr >= kBrightSwitch ? brightForeground(grey, thr) : dimForeground(image);

  cv::Mat mask = cv::Mat::zeros(image.size(), CV_8UC1);
  mask(window).setTo(255);
  cv::bitwise_and(binary, mask, binary);

  Contours contours1;
  cv::findContours(binary, contours1, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
  logMessage("getSpotCoord: contours1.size = ", contours1.size());
  const Contours accepted = screenCandidates(contours1);

  cv::Mat blobImage = cv::Mat::zeros(image.size(), CV_8UC1);
  cv::drawContours(blobImage, accepted, -1, cv::Scalar(255), cv::FILLED, cv::LINE_8,
                   cv::noArray(), INT_MAX);
  Contours blobs;
  cv::findContours(blobImage, blobs, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
  if (blobs.empty()) return TALMEQ_FAILURE(kSpotName, kNoResult);

  const cv::Moments m = cv::moments(blobs[largestBlob(blobs)], false);
  if (m.m00 != 0) coord = cv::Point(static_cast<int>(m.m10 / m.m00), static_cast<int>(m.m01 / m.m00));
  logMessage("getSpotCoord: coord.x = ", coord.x, ", coord.y = ", coord.y);
  logMessage("getSpotCoord: end!");
  return kOk;
}

}  // namespace

int getSpotCoord(cv::Mat image, cv::Point& coord) {
  logMessage("getSpotCoord: start! ", kVersion);
  try {
    coord = cv::Point(0, 0);
    return detectSpot(image, coord);
  } catch (const char*) {
    return TALMEQ_FAILURE(kSpotName, kTextException);
  }
}

// ---------------------------------------------------------------------------
// Camera calibration and image correction
// ---------------------------------------------------------------------------
namespace {

using MarkerCorners = std::vector<std::vector<cv::Point2f>>;

constexpr const char* kChessName = "calibChess";
constexpr const char* kThicknessName = "getCorrectImgByThickness";
constexpr const char* kArucoCornersName = "getArucoCorners";
constexpr const char* kArucoCalibName = "calibAruco";
constexpr const char* kUndistName = "undistAruco";

// Chessboard target: 17 x 12 inner corners at a pitch of 15 units.
const cv::Size kChessPattern(17, 12);
constexpr int kChessPitch = 15;
constexpr int kChessFlags = cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE;
const cv::Size kChessRefineRegion(5, 5);

// ArUco grid board: 9 x 6 markers of DICT_6X6_250, ids 0..53.
constexpr int kBoardMarkersX = 9;
constexpr int kBoardMarkersY = 6;
constexpr float kBoardMarkerLength = 200.0f;
constexpr float kBoardMarkerSeparation = 100.0f;
constexpr int kBoardFirstId = 0;

// Thickness correction: scale (190 - thickness) / 190 about the principal point.
constexpr double kReferenceDistance = 190.0;

// Both calibrations stop after 30 iterations or at machine precision.
cv::TermCriteria calibrationCriteria() {
  return cv::TermCriteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 30, DBL_EPSILON);
}

cv::Ptr<cv::aruco::Dictionary> boardDictionary() {
  return cv::aruco::getPredefinedDictionary(cv::aruco::DICT_6X6_250);
}

// The inner corners in board units, row by row, 17 per row: the order in
// which findChessboardCorners reports them.
std::vector<cv::Point3f> chessObjectPoints() {
  std::vector<cv::Point3f> points;
  points.reserve(static_cast<std::size_t>(kChessPattern.area()));
  for (int r = 0; r < kChessPattern.height; ++r)
    for (int c = 0; c < kChessPattern.width; ++c)
      points.emplace_back(static_cast<float>(kChessPitch * c), static_cast<float>(kChessPitch * r), 0.0f);
  return points;
}

int calibrateFromChessboard(const cv::Mat& image, cv::Mat& cameraMatrix, cv::Mat& distCoeffs) {
  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY, 0);
  const cv::Size imageSize(grey.cols, grey.rows);
  std::vector<cv::Point2f> corners;
  if (!cv::findChessboardCorners(grey, kChessPattern, corners, kChessFlags)) {
    logMessage("calibChess: findChessboardCorners fail!");
    return TALMEQ_FAILURE(kChessName, kNoResult);
  }
  logMessage("calibChess: findChessboardCorners success!");
  cv::find4QuadCornerSubpix(grey, corners, kChessRefineRegion);
  const std::vector<std::vector<cv::Point2f>> imagePoints{corners};
  const std::vector<std::vector<cv::Point3f>> objectPoints{chessObjectPoints()};

  cameraMatrix = cv::Mat::eye(3, 3, CV_64F);
  distCoeffs = cv::Mat::zeros(1, 5, CV_64F);
  std::vector<cv::Mat> rvecs, tvecs;
  const double rms = cv::calibrateCamera(objectPoints, imagePoints, imageSize, cameraMatrix, distCoeffs,
                                         rvecs, tvecs, 0, calibrationCriteria());
  logMessage("calibChess: rms = ", rms);
  return kOk;
}

// The principal point of a 3 x 3 camera matrix of CV_64F or CV_32F; any
// other shape or type is an OpenCV error.
cv::Point2f principalPoint(const cv::Mat& cameraMatrix) {
  CV_Assert(cameraMatrix.rows == 3 && cameraMatrix.cols == 3);
  CV_CheckType(cameraMatrix.type(), cameraMatrix.type() == CV_64F || cameraMatrix.type() == CV_32F,
               "camera matrix must be CV_64F or CV_32F");
  cv::Mat camera;
  cameraMatrix.convertTo(camera, CV_64F);
  return {static_cast<float>(camera.at<double>(0, 2)), static_cast<float>(camera.at<double>(1, 2))};
}

void correctByThickness(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs,
                        double thickness, cv::Mat& corrected) {
  cv::Mat undistorted;
  cv::undistort(image, undistorted, cameraMatrix, distCoeffs, cv::noArray());
  const cv::Point2f centre = principalPoint(cameraMatrix);
  const double scale = (kReferenceDistance - thickness) / kReferenceDistance;
  logMessage("thickness: ", thickness);
  const cv::Mat scaling = cv::getRotationMatrix2D(centre, 0.0, scale);
  cv::warpAffine(undistorted, corrected, scaling, cv::Size(undistorted.cols, undistorted.rows), cv::INTER_LINEAR,
                 cv::BORDER_CONSTANT, cv::Scalar::all(0));
}

int detectBoardMarkers(const cv::Mat& image, std::vector<int>& ids, MarkerCorners& corners) {
  const cv::Ptr<cv::aruco::DetectorParameters> parameters = cv::aruco::DetectorParameters::create();
  const cv::Ptr<cv::aruco::Dictionary> dictionary = boardDictionary();
  MarkerCorners rejected;
  cv::aruco::detectMarkers(image, dictionary, corners, ids, parameters, rejected);
  if (corners.empty()) return TALMEQ_FAILURE(kArucoCornersName, kNoResult);
  return kOk;
}

// Every view of `allCorners` has a list of identifiers at least as long as
// its list of markers.
bool idsCoverMarkers(const std::vector<MarkerCorners>& allCorners, const std::vector<std::vector<int>>& allIds) {
  if (allIds.size() < allCorners.size()) return false;
  for (std::size_t i = 0; i < allCorners.size(); ++i)
    if (allIds[i].size() < allCorners[i].size()) return false;
  return true;
}

// The per-view detections in the single-list form of the ArUco calibration:
// all markers view after view, and the marker count of each view.
struct FlatDetections {
  MarkerCorners corners;
  std::vector<int> ids;
  std::vector<int> counter;
};

FlatDetections flatten(const std::vector<MarkerCorners>& allCorners, const std::vector<std::vector<int>>& allIds) {
  FlatDetections flat;
  flat.counter.reserve(allCorners.size());
  for (std::size_t i = 0; i < allCorners.size(); ++i) {
    flat.counter.push_back(static_cast<int>(allCorners[i].size()));
    for (std::size_t j = 0; j < allCorners[i].size(); ++j) {
      flat.corners.push_back(allCorners[i][j]);
      flat.ids.push_back(allIds[i][j]);
    }
  }
  return flat;
}

int calibrateFromBoardViews(const std::vector<MarkerCorners>& allCorners, const std::vector<std::vector<int>>& allIds,
                            cv::Size imageSize, cv::Mat& cameraMatrix, cv::Mat& distCoeffs) {
  if (!idsCoverMarkers(allCorners, allIds)) return TALMEQ_FAILURE(kArucoCalibName, kBadInput);
  const FlatDetections flat = flatten(allCorners, allIds);
  if (allCorners.empty()) return TALMEQ_FAILURE(kArucoCalibName, kNoResult);
  const cv::Ptr<cv::aruco::Dictionary> dictionary = boardDictionary();
  const cv::Ptr<cv::aruco::Board> board = cv::aruco::GridBoard::create(
      kBoardMarkersX, kBoardMarkersY, kBoardMarkerLength, kBoardMarkerSeparation, dictionary, kBoardFirstId);
  cv::aruco::calibrateCameraAruco(flat.corners, flat.ids, flat.counter, board, imageSize, cameraMatrix, distCoeffs,
                                  cv::noArray(), cv::noArray(), 0, calibrationCriteria());
  return kOk;
}

void undistortByMap(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, cv::Size imageSize,
                    cv::Mat& corrected) {
  cv::Mat map1, map2;
  cv::initUndistortRectifyMap(cameraMatrix, distCoeffs, cv::Mat(), cameraMatrix, imageSize, CV_16SC2, map1, map2);
  cv::remap(image, corrected, map1, map2, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
}

}  // namespace

int calibChess(cv::Mat image, cv::Mat& cameraMatrix, cv::Mat& distCoeffs) {
  logMessage("calibChess: start!");
  try {
    return calibrateFromChessboard(image, cameraMatrix, distCoeffs);
  } catch (const char*) {
    return TALMEQ_FAILURE(kChessName, kTextException);
  }
}

int getCorrectImgByThickness(cv::Mat image, cv::Mat cameraMatrix, cv::Mat distCoeffs, double thickness,
                             cv::Mat& corrected) {
  logMessage("getCorrectImg: start!");
  try {
    correctByThickness(image, cameraMatrix, distCoeffs, thickness, corrected);
    logMessage("getCorrectImg: end!");
    return kOk;
  } catch (const char*) {
    return TALMEQ_FAILURE(kThicknessName, kTextException);
  }
}

int getArucoCorners(cv::Mat image, std::vector<int>& ids, std::vector<std::vector<cv::Point2f>>& corners) {
  try {
    return detectBoardMarkers(image, ids, corners);
  } catch (const char*) {
    return TALMEQ_FAILURE(kArucoCornersName, kTextException);
  }
}

int calibAruco(std::vector<std::vector<std::vector<cv::Point2f>>> allCorners, std::vector<std::vector<int>> allIds,
               cv::Size imageSize, cv::Mat& cameraMatrix, cv::Mat& distCoeffs) {
  try {
    return calibrateFromBoardViews(allCorners, allIds, imageSize, cameraMatrix, distCoeffs);
  } catch (const char*) {
    return TALMEQ_FAILURE(kArucoCalibName, kTextException);
  }
}

int undistAruco(cv::Mat image, cv::Mat cameraMatrix, cv::Mat distCoeffs, cv::Size imageSize, cv::Mat& corrected) {
  try {
    undistortByMap(image, cameraMatrix, distCoeffs, imageSize, corrected);
    return kOk;
  } catch (const char*) {
    return TALMEQ_FAILURE(kUndistName, kTextException);
  }
}
