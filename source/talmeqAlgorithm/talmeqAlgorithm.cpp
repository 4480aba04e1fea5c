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
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

#include "calibrationFile.h"
#include "callFrame.h"
#include "spotStages.h"
#include "talmeqInternal.h"

using namespace talmeq;

// ---------------------------------------------------------------------------
// Laser-spot detection
// ---------------------------------------------------------------------------
namespace {

using spot::Contour;
using spot::Contours;

constexpr const char* kSpotName = "getSpotCoord";

// Keeps the contours that pass the area, aspect and circularity screens,
// logging each screened candidate.
Contours screenCandidates(const Contours& contours) {
  Contours accepted;
  for (const Contour& contour : contours) {
    const spot::Screening s = spot::screenContour(contour);
    if (s.verdict == spot::Verdict::kTooSmall) continue;
    logMessage("getSpotCoord: area = ", s.area, ", ratio = ", s.ratio);
    if (s.verdict == spot::Verdict::kTooLarge || s.verdict == spot::Verdict::kBadRatio) continue;
    logMessage("getSpotCoord: circlirity = ", s.circularity);
    if (s.verdict == spot::Verdict::kAccepted) accepted.push_back(contour);
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
  const cv::Rect window = spot::spotWindow(image.cols, image.rows);
  if (window.area() < spot::kRankedPixels) return TALMEQ_FAILURE(kSpotName, kBadInput);
  CV_CheckDepthEQ(image.depth(), CV_8U, "getSpotCoord expects an 8-bit image");

  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  const int thr = spot::rankThreshold(grey(window));
  logMessage("best gray thr = ", thr);
  cv::Mat binary = spot::spotForeground(image, grey, thr, window);

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
// Height calibration and measurement
// ---------------------------------------------------------------------------
namespace {

constexpr const char* kCalibrationName = "getCalibrationParamByLinear";
constexpr const char* kCorrectionName = "correctYml";
constexpr int kMinCalibrationPoints = 3;
constexpr double kMaxAverageError = 0.2;
constexpr double kWindowStartHeight = -5.0;  // the window starts at the spot predicted for height -5
constexpr double kWindowSpan = 37.0;         // and spans 37 height units, up to height 32
constexpr double kHighestAbsoluteHeight = 0.0;
constexpr double kLowestAbsoluteHeight = -32.0;

// Truncation toward zero, saturated at the int range (NaN gives 0), so that a
// damaged calibration never makes the conversion undefined.
int truncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

// A window needs finite heights whose first and last differ.
bool heightsSpanARange(const std::vector<double>& heights) {
  const bool finite = std::all_of(heights.begin(), heights.end(), [](double h) { return std::isfinite(h); });
  return finite && heights.front() != heights.back();
}

// coords[0] when the series starts at height 0, otherwise the point one step
// before it on the line through the first two points.
cv::Point2d referencePoint(const std::vector<double>& heights, const std::vector<cv::Point>& coords) {
  if (heights[0] == 0.0) return cv::Point2d(coords[0]);
  return {2.0 * coords[0].x - coords[1].x, 2.0 * coords[0].y - coords[1].y};
}

// The spot's pixel distance from the reference point, projected to the
// height h: d * scale * (dist - h) / dist.
double projectedDisplacement(cv::Point spot, cv::Point2d reference, double h, const CalibrationValues& settings) {
  const double dx = spot.x - reference.x;
  const double dy = spot.y - reference.y;
  const double d = std::sqrt(dx * dx + dy * dy);
  return d * settings.scale * (settings.dist - h) / settings.dist;
}

// Least-squares line h = k * v + b through the normal equations; writes b and
// k into `fit` (left 0 where cv::solve finds the system singular).
void fitLine(const std::vector<double>& heights, const std::vector<double>& displacements, CalibrationValues& fit) {
  const int n = static_cast<int>(heights.size());
  cv::Mat a = cv::Mat::zeros(n, 2, CV_64F);
  cv::Mat b = cv::Mat::zeros(n, 1, CV_64F);
  for (int i = 0; i < n; ++i) {
    a.at<double>(i, 0) = 1.0;
    a.at<double>(i, 1) = displacements[i];
    b.at<double>(i, 0) = heights[i];
  }
  const cv::Mat normal = a.t() * a;
  const cv::Mat right = a.t() * b;
  cv::Mat x = cv::Mat::zeros(2, 1, CV_64F);
  cv::solve(normal, right, x, cv::DECOMP_LU);
  fit.b = x.at<double>(0, 0);
  fit.k = x.at<double>(1, 0);
}

// Logs the error of every point and their average; returns the average.
double reportFitErrors(const std::vector<double>& heights, const std::vector<double>& displacements,
                       const CalibrationValues& fit) {
  double sum = 0.0;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const double error = std::fabs(fit.k * displacements[i] + fit.b - heights[i]);
    logMessage("err = ", error);
    sum += error;
  }
  const double average = sum / static_cast<double>(heights.size());
  logMessage("average err = ", average);
  return average;
}

int calibrateLinear(const std::vector<double>& heights, const std::vector<cv::Point>& coords,
                    const std::string& ymlPath) {
  if (heights.size() != coords.size() || heights.size() < kMinCalibrationPoints ||
      !heightsSpanARange(heights))
    return TALMEQ_FAILURE(kCalibrationName, kBadInput);
  cv::Rect window;
  calRoI(heights, coords, window);
  CalibrationValues values;
  if (!readFixedSettings(ymlPath, values) || values.dist == 0.0) return TALMEQ_FAILURE(kCalibrationName, kBadInput);

  const cv::Point2d reference = referencePoint(heights, coords);
  std::vector<double> displacements(heights.size(), 0.0);
  for (std::size_t i = 0; i < heights.size(); ++i) {
    displacements[i] = projectedDisplacement(coords[i], reference, heights[i], values);
    logMessage("height = ", heights[i], ", coord = ", coords[i]);
  }
  fitLine(heights, displacements, values);
  values.initialX = reference.x;
  values.initialY = reference.y;
  values.roi = window;
  values.offsetX = 0.0;
  values.offsetY = 0.0;
  writeCalibration(ymlPath, values);

  if (reportFitErrors(heights, displacements, values) > kMaxAverageError)
    return TALMEQ_FAILURE(kCalibrationName, kNoResult);
  logMessage("getCalibrationParamByLinear: end!");
  return kOk;
}

int shiftInitZ(double fromZ, double toZ, const std::string& ymlPath) {
  CalibrationValues values;
  if (!readCalibration(ymlPath, values)) return TALMEQ_FAILURE(kCorrectionName, kBadInput);
  logMessage("correctYml: before initZ = ", values.initZ);
  values.initZ += toZ - fromZ;
  logMessage("correctYml: after initZ = ", values.initZ);
  writeCalibration(ymlPath, values);
  logMessage("correctYml: end!");
  return kOk;
}

// Region spot locator constants.
constexpr double kSaturatedGrey = 240.0;
constexpr int kBrightClosings = 3;
constexpr int kTrackClosings = 5;
constexpr double kMinBlobArea = 1.0;
constexpr double kMaxBrightBlobArea = 1000.0;
constexpr double kMaxTrackBlobArea = 2000.0;
constexpr double kMinBlobRatio = 0.33;
constexpr double kMaxBlobRatio = 3.0;
constexpr std::size_t kLevelRank = 100;  // the 101st largest red value sets the track level
constexpr int kLevelCap = 250;
constexpr int kBandThickness = 30;
constexpr double kMaxTrackDistance = 10.0;
constexpr double kNoCentroidDistance = 100.0;
constexpr double kMinContrast = 30.0;

// Raises OpenCV's error unless the region lies inside the image with a
// non-negative size. Checked in 64 bits, before any view is taken, so that a
// damaged "RoI" whose x + width overflows an int cannot slip through.
void requireRegionInside(const cv::Mat& image, const cv::Rect& roi) {
  const std::int64_t right = static_cast<std::int64_t>(roi.x) + roi.width;
  const std::int64_t bottom = static_cast<std::int64_t>(roi.y) + roi.height;
  if (roi.x < 0 || roi.y < 0 || roi.width < 0 || roi.height < 0 || right > image.cols || bottom > image.rows)
    CV_Error(cv::Error::StsOutOfRange, "getSpotCoordInRoI: the region does not lie inside the image");
}

void closeThenOpen(cv::Mat& binary, const cv::Mat& cross, int closings) {
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE, cross, cv::Point(-1, -1), closings, cv::BORDER_CONSTANT,
                   cv::morphologyDefaultBorderValue());
  cv::morphologyEx(binary, binary, cv::MORPH_OPEN, cross, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT,
                   cv::morphologyDefaultBorderValue());
}

Contours externalContours(const cv::Mat& binary) {
  Contours contours;
  cv::findContours(binary, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE, cv::Point(0, 0));
  return contours;
}

cv::Mat filledMask(cv::Size size, const Contours& contours) {
  cv::Mat mask = cv::Mat::zeros(size, CV_8UC1);
  cv::drawContours(mask, contours, -1, cv::Scalar(255), cv::FILLED, cv::LINE_8, cv::noArray(), INT_MAX);
  return mask;
}

// Area above 1 and below `maxArea`, minimum-area box ratio inside (0.33, 3);
// a box of zero width and height gives NaN, which fails.
bool plausibleBlob(const Contour& contour, double maxArea) {
  const double area = cv::contourArea(contour, false);
  const cv::RotatedRect box = cv::minAreaRect(contour);
  const double ratio = static_cast<double>(box.size.width) / static_cast<double>(box.size.height);
  return area > kMinBlobArea && area < maxArea && ratio > kMinBlobRatio && ratio < kMaxBlobRatio;
}

// The contour polygon's centroid, truncated and shifted by the region's
// origin; false when its area moment is zero.
bool regionCentroid(const Contour& contour, const cv::Rect& roi, cv::Point& centre) {
  const cv::Moments m = cv::moments(contour, false);
  if (m.m00 == 0) return false;
  centre = cv::Point(static_cast<int>(m.m10 / m.m00) + roi.x, static_cast<int>(m.m01 / m.m00) + roi.y);
  return true;
}

// Bright-spot pass: true, with `spot` written, when the grey region holds
// exactly one saturated blob of plausible size and shape.
bool findBrightSpot(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot) {
  cv::Mat grey, binary;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  cv::threshold(grey(roi), binary, kSaturatedGrey, 255, cv::THRESH_BINARY);
  closeThenOpen(binary, cross, kBrightClosings);
  Contours kept;
  for (const Contour& contour : externalContours(binary))
    if (plausibleBlob(contour, kMaxBrightBlobArea)) kept.push_back(contour);
  const Contours blobs = externalContours(filledMask(binary.size(), kept));
  return blobs.size() == 1 && regionCentroid(blobs[0], roi, spot);
}

// The track threshold: the 101st largest red value of the region minus one,
// at most 250.
int trackLevel(const cv::Mat& redRegion) {
  std::vector<int> values;
  values.reserve(static_cast<std::size_t>(redRegion.rows) * static_cast<std::size_t>(redRegion.cols));
  for (int r = 0; r < redRegion.rows; ++r)
    for (int c = 0; c < redRegion.cols; ++c) values.push_back(redRegion.at<uchar>(r, c));
  std::sort(values.begin(), values.end(), std::greater<int>());
  return std::min(values[kLevelRank] - 1, kLevelCap);
}

// The region's diagonal from its top-left to its bottom-right corner, as
// y = slope * x + intercept in full-image coordinates.
struct TrackLine {
  double slope;
  double intercept;
  double distance(cv::Point p) const { return std::fabs(p.x * slope + intercept - p.y) / std::sqrt(slope * slope + 1.0); }
};

double centroidDistance(const Contour& contour, const cv::Rect& roi, const TrackLine& track) {
  cv::Point centre;
  return regionCentroid(contour, roi, centre) ? track.distance(centre) : kNoCentroidDistance;
}

// Track pass over the red channel: one blob inside the 30-pixel band along
// the diagonal, near the diagonal, and brighter than the region by more
// than 30. Returns -1 unless exactly one blob remains.
int findTrackSpot(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot) {
  std::vector<cv::Mat> planes;
  cv::split(image, planes);
  const cv::Mat red = planes[2](roi);
  cv::Mat band = cv::Mat::zeros(image.size(), CV_8UC1);
  cv::line(band, roi.tl(), cv::Point(roi.x + roi.width, roi.y + roi.height), cv::Scalar(255), kBandThickness,
           cv::LINE_8, 0);
  const double slope = static_cast<double>(roi.height) / static_cast<double>(roi.width);
  const TrackLine track{slope, roi.y - roi.x * slope};

  cv::Mat binary;
  cv::threshold(red, binary, static_cast<double>(trackLevel(red)), 255, cv::THRESH_BINARY);
  cv::bitwise_and(binary, band(roi), binary);
  closeThenOpen(binary, cross, kTrackClosings);
  Contours kept;
  for (const Contour& contour : externalContours(binary))
    if (plausibleBlob(contour, kMaxTrackBlobArea) && centroidDistance(contour, roi, track) < kMaxTrackDistance)
      kept.push_back(contour);
  const Contours blobs = externalContours(filledMask(binary.size(), kept));
  if (blobs.size() != 1) return kNoResult;

  const double inside = cv::mean(red, filledMask(binary.size(), blobs))[0];
  const double overall = cv::mean(red)[0];
  cv::Point centre;
  if (regionCentroid(blobs[0], roi, centre) && inside - overall > kMinContrast) spot = centre;
  return kOk;
}

int locateSpot(const cv::Mat& image, const cv::Rect& roi, cv::Point& spot) {
  requireRegionInside(image, roi);
  if (roi.width == 0 || roi.height == 0) return kNoResult;
  const cv::Mat cross = cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3), cv::Point(-1, -1));
  if (findBrightSpot(image, roi, cross, spot)) return kOk;
  if (static_cast<std::size_t>(roi.area()) <= kLevelRank) return kNoResult;
  return findTrackSpot(image, roi, cross, spot);
}

// The model solved for h at the spot's distance r from the shifted reference
// point: h = dist * (k * scale * r + b) / (k * scale * r + dist).
double modelHeight(const CalibrationValues& c, cv::Point spot) {
  const double dx = spot.x - c.initialX - c.offsetX;
  const double dy = spot.y - c.initialY - c.offsetY;
  const double r = std::sqrt(std::pow(dx, 2.0) + std::pow(dy, 2.0));
  const double s = c.scale * c.k * r;
  return (c.dist * c.scale * c.k * r + c.dist * c.b) / (s + c.dist);
}

int measureHeight(const cv::Mat& image, const std::string& ymlPath, double& height, double& axisZ) {
  CalibrationValues c;
  if (!readCalibration(ymlPath, c)) return kBadInput;
  const cv::Rect window(truncateToInt(c.roi.x + c.offsetX), truncateToInt(c.roi.y + c.offsetY), c.roi.width,
                        c.roi.height);
  cv::Point spot(0, 0);
  const int located = getSpotCoordInRoI(image, window, spot);
  if (located != kOk) return located;
  height = modelHeight(c, spot);
  axisZ = (height + c.initZ) + c.focusD;
  if (axisZ > kHighestAbsoluteHeight || axisZ < kLowestAbsoluteHeight) return kOutOfRange;
  return kOk;
}

}  // namespace

int calRoI(std::vector<double> heights, std::vector<cv::Point> coords, cv::Rect& roi) {
  try {
    const double dh = heights.back() - heights.front();
    const double kx = static_cast<double>(coords.back().x - coords.front().x) / dh;
    const double ky = static_cast<double>(coords.back().y - coords.front().y) / dh;
    const double x = coords.front().x - (heights.front() - kWindowStartHeight) * kx;
    const double y = coords.front().y - (heights.front() - kWindowStartHeight) * ky;
    roi = cv::Rect(truncateToInt(x), truncateToInt(y), truncateToInt(kWindowSpan * kx),
                   truncateToInt(kWindowSpan * ky));
    return kOk;
  } catch (const char*) {
    return TALMEQ_FAILURE("calRoI", kTextException);
  }
}

int getSpotCoordInRoI(cv::Mat image, cv::Rect roi, cv::Point& spot) {
  try {
    spot = cv::Point(0, 0);
    return locateSpot(image, roi, spot);
  } catch (const char*) {
    return kTextException;
  }
}

int getCalibrationParamByLinear(std::vector<double> heights, std::vector<cv::Point> coords, std::string ymlPath) {
  logMessage("getCalibrationParamByLinear: start! ", kVersion);
  try {
    return calibrateLinear(heights, coords, ymlPath);
  } catch (const char*) {
    return TALMEQ_FAILURE(kCalibrationName, kTextException);
  }
}

int correctYml(double fromZ, double toZ, std::string ymlPath) {
  logMessage("correctYml: start! ", kVersion);
  try {
    return shiftInitZ(fromZ, toZ, ymlPath);
  } catch (const char*) {
    return TALMEQ_FAILURE(kCorrectionName, kTextException);
  }
}

// Writes nothing to the logger on any path, the -999 path included.
int getPlaneHeightByLinear(cv::Mat image, std::string ymlPath, double& height, double& axisZ) {
  try {
    return measureHeight(image, ymlPath, height, axisZ);
  } catch (const char*) {
    return kTextException;
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
constexpr std::size_t kCornersPerMarker = 4;

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

// Raises OpenCV's error unless the camera matrix is 3 x 3 of CV_64F or
// CV_32F. Checked before any undistortion: OpenCV's undistortion functions
// crash on an empty matrix instead of raising their error.
void requireCameraMatrix(const cv::Mat& cameraMatrix) {
  CV_Assert(cameraMatrix.rows == 3 && cameraMatrix.cols == 3);
  CV_CheckType(cameraMatrix.type(), cameraMatrix.type() == CV_64F || cameraMatrix.type() == CV_32F,
               "camera matrix must be CV_64F or CV_32F");
}

// The principal point of a camera matrix that passed requireCameraMatrix.
cv::Point2f principalPoint(const cv::Mat& cameraMatrix) {
  cv::Mat camera;
  cameraMatrix.convertTo(camera, CV_64F);
  return {static_cast<float>(camera.at<double>(0, 2)), static_cast<float>(camera.at<double>(1, 2))};
}

void correctByThickness(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs,
                        double thickness, cv::Mat& corrected) {
  requireCameraMatrix(cameraMatrix);
  const cv::Point2f centre = principalPoint(cameraMatrix);
  cv::Mat undistorted;
  cv::undistort(image, undistorted, cameraMatrix, distCoeffs, cv::noArray());
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
// its list of markers, and every marker has its four corners (the board's
// point pairing reads exactly four per marker, whatever the list holds).
bool detectionsConsistent(const std::vector<MarkerCorners>& allCorners, const std::vector<std::vector<int>>& allIds) {
  if (allIds.size() < allCorners.size()) return false;
  for (std::size_t i = 0; i < allCorners.size(); ++i) {
    if (allIds[i].size() < allCorners[i].size()) return false;
    for (const std::vector<cv::Point2f>& marker : allCorners[i])
      if (marker.size() != kCornersPerMarker) return false;
  }
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
  if (!detectionsConsistent(allCorners, allIds)) return TALMEQ_FAILURE(kArucoCalibName, kBadInput);
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
  requireCameraMatrix(cameraMatrix);
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
