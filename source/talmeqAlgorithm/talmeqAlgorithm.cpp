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
#include <limits>

#include "calibrationFile.h"
#include "binaryMorphology.h"
#include "callFrame.h"
#include "heightMeasurement.h"
#include "rankedValue.h"
#include "regionLocation.h"
#include "spotDetection.h"
#include "talmeqInternal.h"
#include "windowForeground.h"

using namespace talmeq;

// ---------------------------------------------------------------------------
// Laser-spot detection
// ---------------------------------------------------------------------------
// Only the detection window can hold the answer, so the foreground is
// computed on the window plus the margins its filters reach
// (windowForeground.h); the stages after it are shared with the whole-frame
// reading that the tests keep (spotDetection.h).
namespace {

using spot::Contour;
using spot::Contours;

constexpr double kMinSpotArea = 5.0;
constexpr double kMaxSpotArea = 300.0;
constexpr double kMinRatio = 0.3;
constexpr double kMaxRatio = 3.0;
constexpr double kCircularityFactor = 12.5663704;
constexpr double kMinCircularity = 0.5;

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

// The outer contours of the accepted contours painted filled on a canvas
// covering `canvas`, in full-image coordinates.
Contours paintedBlobs(const Contours& accepted, cv::Rect canvas) {
  cv::Mat blobImage = cv::Mat::zeros(canvas.size(), CV_8UC1);
  cv::drawContours(blobImage, accepted, -1, cv::Scalar(255), cv::FILLED, cv::LINE_8, cv::noArray(), INT_MAX,
                   -canvas.tl());
  Contours blobs;
  cv::findContours(blobImage, blobs, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE, canvas.tl());
  return blobs;
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

// The library's pipeline: grey, threshold and foreground of the window only.
int detectInWindow(const cv::Mat& image, cv::Point& coord) {
  if (const int refused = spot::checkImage(image)) return refused;
  const cv::Rect window = spot::detectionWindow(image.size());
  const spot::GreyAround grey = spot::greyAroundWindow(image, window);
  const int thr = spot::windowThreshold(grey, window);
  logMessage("best gray thr = ", thr);
  const spot::FramedWindow foreground = thr >= spot::kBrightSwitch
                                            ? spot::brightWindowForeground(grey, window, thr)
                                            : spot::dimWindowForeground(image, window);
  Contours contours1;
  cv::findContours(foreground.binary, contours1, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE, foreground.origin);
  return spot::locateSpot(contours1, cv::Rect(foreground.origin, foreground.binary.size()), coord);
}

}  // namespace

cv::Rect spot::detectionWindow(cv::Size imageSize) {
  const int x = static_cast<int>(imageSize.width * 0.35);
  const int y = static_cast<int>(imageSize.height * 0.45);
  return {x, y, static_cast<int>(imageSize.width * 0.35), static_cast<int>(imageSize.height * 0.3)};
}

int spot::checkImage(const cv::Mat& image) {
  if (image.empty()) {
    logMessage("getSpotCoord: image empty!");
    return TALMEQ_FAILURE(kName, kBadInput);
  }
  if (detectionWindow(image.size()).area() < kRankedPixels) return TALMEQ_FAILURE(kName, kBadInput);
  CV_CheckDepthEQ(image.depth(), CV_8U, "getSpotCoord expects an 8-bit image");
  return kOk;
}

int spot::locateSpot(const Contours& contours1, cv::Rect canvas, cv::Point& coord) {
  logMessage("getSpotCoord: contours1.size = ", contours1.size());
  const Contours blobs = paintedBlobs(screenCandidates(contours1), canvas);
  if (blobs.empty()) return TALMEQ_FAILURE(kName, kNoResult);
  const cv::Moments m = cv::moments(blobs[largestBlob(blobs)], false);
  if (m.m00 != 0) coord = cv::Point(static_cast<int>(m.m10 / m.m00), static_cast<int>(m.m01 / m.m00));
  logMessage("getSpotCoord: coord.x = ", coord.x, ", coord.y = ", coord.y);
  logMessage("getSpotCoord: end!");
  return kOk;
}

int getSpotCoord(cv::Mat image, cv::Point& coord) {
  logMessage("getSpotCoord: start! ", kVersion);
  try {
    coord = cv::Point(0, 0);
    return detectInWindow(image, coord);
  } catch (const char*) {
    return TALMEQ_FAILURE(spot::kName, kTextException);
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

// Region spot locator. Only the region can hold the answer, so the library
// converts and splits only the region, draws the band on a canvas of the
// region plus a margin, counts the track level in a histogram and filters
// only the part of the region that can hold foreground; the passes are
// shared with the whole-frame reading that the tests keep (regionLocation.h).
constexpr double kMinBlobArea = 1.0;
constexpr double kMaxBrightBlobArea = 1000.0;
constexpr double kMaxTrackBlobArea = 2000.0;
constexpr double kMinBlobRatio = 0.33;
constexpr double kMaxBlobRatio = 3.0;
constexpr int kLevelCap = 250;
constexpr double kMaxTrackDistance = 10.0;
constexpr double kNoCentroidDistance = 100.0;
constexpr double kMinContrast = 30.0;
// The band reaches half its thickness beyond the line's ends; a canvas
// margin of the full thickness keeps every clipped edge at the image's own.
constexpr int kBandMargin = region::kBandThickness;

void closeThenOpen(cv::Mat& binary, const cv::Mat& cross, int closings) {
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE, cross, cv::Point(-1, -1), closings, cv::BORDER_CONSTANT,
                   cv::morphologyDefaultBorderValue());
  cv::morphologyEx(binary, binary, cv::MORPH_OPEN, cross, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT,
                   cv::morphologyDefaultBorderValue());
}

// Contours traced on a buffer that lies at `at` in the region, in region
// coordinates.
Contours externalContours(const cv::Mat& binary, cv::Point at) {
  Contours contours;
  cv::findContours(binary, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE, at);
  return contours;
}

// A buffer of `size` at `at` in the region with the contours (region
// coordinates) filled in.
cv::Mat filledMask(cv::Size size, const Contours& contours, cv::Point at) {
  cv::Mat mask = cv::Mat::zeros(size, CV_8UC1);
  cv::drawContours(mask, contours, -1, cv::Scalar(255), cv::FILLED, cv::LINE_8, cv::noArray(), INT_MAX, -at);
  return mask;
}

// Raises OpenCV's error unless the region lies inside the image with a
// non-negative size. Checked in 64 bits, before any view is taken, so that a
// damaged "RoI" whose x + width overflows an int cannot slip through.
void requireRegionInside(const cv::Mat& image, const cv::Rect& roi) {
  const std::int64_t right = static_cast<std::int64_t>(roi.x) + roi.width;
  const std::int64_t bottom = static_cast<std::int64_t>(roi.y) + roi.height;
  if (roi.x < 0 || roi.y < 0 || roi.width < 0 || roi.height < 0 || right > image.cols || bottom > image.rows)
    CV_Error(cv::Error::StsOutOfRange, "getSpotCoordInRoI: the region does not lie inside the image");
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

// Where the closings can produce foreground in `binary`: the box of its
// foreground grown by the closings' reach plus the pixel every step reads,
// within the buffer; empty when there is no foreground. Outside this part
// the buffer stays zero through every step, so a copy of it filtered on its
// own holds the same pixels as the whole buffer filtered.
cv::Rect foregroundReach(const cv::Mat& binary, int closings) {
  const cv::Rect box = foregroundBox(binary);
  if (box.empty()) return {};
  return grownBy(box, cv::Size(closings + 1, closings + 1)) & cv::Rect(0, 0, binary.cols, binary.rows);
}

// Bright-spot pass on the grey values of the region only, filtered where
// they can hold foreground.
bool findBrightSpot(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot) {
  cv::Mat binary;
  cv::cvtColor(image(roi), binary, cv::COLOR_BGR2GRAY);
  cv::threshold(binary, binary, region::kSaturatedGrey, 255, cv::THRESH_BINARY);
  const cv::Rect part = foregroundReach(binary, region::kBrightClosings);
  return region::brightSpot(binary(part).clone(), part.tl(), roi, cross, spot);
}

// Track pass on the red values of the region only, with its level counted
// from a histogram and the band drawn around the region.
int findTrackSpot(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot) {
  cv::Mat red, binary;
  cv::extractChannel(image(roi), red, 2);
  const int level = region::trackLevel(rankedValue(red, region::kLevelRank));
  cv::threshold(red, binary, static_cast<double>(level), 255, cv::THRESH_BINARY);
  cv::bitwise_and(binary, region::trackBand(image.size(), roi), binary);
  const cv::Rect part = foregroundReach(binary, region::kTrackClosings);
  return region::trackSpot(binary(part).clone(), part.tl(), red, roi, cross, spot);
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

}  // namespace

int region::locateWith(const cv::Mat& image, const cv::Rect& roi, cv::Point& spot, BrightPass bright,
                       TrackPass track) {
  requireRegionInside(image, roi);
  if (roi.width == 0 || roi.height == 0) return kNoResult;
  const cv::Mat cross = cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3), cv::Point(-1, -1));
  if (bright(image, roi, cross, spot)) return kOk;
  if (roi.area() < kLevelRank) return kNoResult;
  return track(image, roi, cross, spot);
}

bool region::brightSpot(cv::Mat binary, cv::Point at, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot) {
  if (binary.empty()) return false;
  closeThenOpen(binary, cross, kBrightClosings);
  Contours kept;
  for (const Contour& contour : externalContours(binary, at))
    if (plausibleBlob(contour, kMaxBrightBlobArea)) kept.push_back(contour);
  const Contours blobs = externalContours(filledMask(binary.size(), kept, at), at);
  return blobs.size() == 1 && regionCentroid(blobs[0], roi, spot);
}

int region::trackLevel(int rankedRed) { return std::min(rankedRed - 1, kLevelCap); }

int region::trackSpot(cv::Mat binary, cv::Point at, const cv::Mat& red, const cv::Rect& roi, const cv::Mat& cross,
                      cv::Point& spot) {
  if (binary.empty()) return kNoResult;
  const double slope = static_cast<double>(roi.height) / static_cast<double>(roi.width);
  const TrackLine track{slope, roi.y - roi.x * slope};
  closeThenOpen(binary, cross, kTrackClosings);
  Contours kept;
  for (const Contour& contour : externalContours(binary, at))
    if (plausibleBlob(contour, kMaxTrackBlobArea) && centroidDistance(contour, roi, track) < kMaxTrackDistance)
      kept.push_back(contour);
  const Contours blobs = externalContours(filledMask(binary.size(), kept, at), at);
  if (blobs.size() != 1) return kNoResult;

  // Integer sums over the same pixels: the part's mean inside the blob is
  // the region's.
  const double inside = cv::mean(red(cv::Rect(at, binary.size())), filledMask(binary.size(), blobs, at))[0];
  const double overall = cv::mean(red)[0];
  cv::Point centre;
  if (regionCentroid(blobs[0], roi, centre) && inside - overall > kMinContrast) spot = centre;
  return kOk;
}

cv::Mat region::trackBand(cv::Size imageSize, const cv::Rect& roi) {
  const cv::Rect canvas = grownBy(roi, cv::Size(kBandMargin, kBandMargin)) & cv::Rect(cv::Point(0, 0), imageSize);
  cv::Mat band = cv::Mat::zeros(canvas.size(), CV_8UC1);
  cv::line(band, roi.tl() - canvas.tl(), roi.br() - canvas.tl(), cv::Scalar(255), kBandThickness, cv::LINE_8, 0);
  return band(roi - canvas.tl());
}

int talmeq::measurePlaneHeight(const cv::Mat& image, const std::string& ymlPath, double& height, double& axisZ,
                               RegionLocator locate) {
  CalibrationValues c;
  if (!readCalibration(ymlPath, c)) return kBadInput;
  const cv::Rect window(truncateToInt(c.roi.x + c.offsetX), truncateToInt(c.roi.y + c.offsetY), c.roi.width,
                        c.roi.height);
  cv::Point spot(0, 0);
  const int located = locate(image, window, spot);
  if (located != kOk) return located;
  height = modelHeight(c, spot);
  axisZ = (height + c.initZ) + c.focusD;
  if (axisZ > kHighestAbsoluteHeight || axisZ < kLowestAbsoluteHeight) return kOutOfRange;
  return kOk;
}

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
    return region::locateWith(image, roi, spot, findBrightSpot, findTrackSpot);
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
    return measurePlaneHeight(image, ymlPath, height, axisZ, getSpotCoordInRoI);
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
