#include "arucoApi.h"

#include <numeric>
#include <opencv2/aruco.hpp>
#include <opencv2/core/version.hpp>

// OpenCV 4.7 and later: the marker code lives in objdetect; contrib's aruco
// keeps only calibrateCameraAruco and older wrappers.
#if CV_VERSION_MAJOR > 4 || (CV_VERSION_MAJOR == 4 && CV_VERSION_MINOR >= 7)
#define TALMEQ_ARUCO_IN_OBJDETECT 1
#include <opencv2/objdetect/aruco_detector.hpp>
#include <opencv2/objdetect/charuco_detector.hpp>
#else
#define TALMEQ_ARUCO_IN_OBJDETECT 0
#include <opencv2/aruco/charuco.hpp>
#endif

namespace talmeq::detail::aruco_api {

const int kDict6x6_250 = cv::aruco::DICT_6X6_250;

namespace {

// OpenCV 4.9 shrinks the sub-pixel window to a share of the marker's module
// size; a share this large leaves the fixed window of earlier releases.
template <class Parameters>
auto keepFixedRefinementWindow(Parameters& p, int) -> decltype(p.relativeCornerRefinmentWinSize, void()) {
  p.relativeCornerRefinmentWinSize = 100.0f;
}
template <class Parameters>
void keepFixedRefinementWindow(Parameters&, long) {}

// The detector settings every caller has used since the library began:
// OpenCV's defaults of 4.5 and 4.6, set one by one so that a release with
// other defaults detects the same markers at the same corners.
template <class Parameters>
void setStationParameters(Parameters& p, CornerRefinement refinement) {
  p.adaptiveThreshWinSizeMin = 3;
  p.adaptiveThreshWinSizeMax = 23;
  p.adaptiveThreshWinSizeStep = 10;
  p.adaptiveThreshConstant = 7;
  p.minMarkerPerimeterRate = 0.03;
  p.maxMarkerPerimeterRate = 4.0;
  p.polygonalApproxAccuracyRate = 0.03;
  p.minCornerDistanceRate = 0.05;
  p.minDistanceToBorder = 3;
  p.minMarkerDistanceRate = 0.05;  // OpenCV 4.9 made 0.125 its default
  p.cornerRefinementMethod =
      refinement == CornerRefinement::kSubpixel ? cv::aruco::CORNER_REFINE_SUBPIX : cv::aruco::CORNER_REFINE_NONE;
  p.cornerRefinementWinSize = 5;
  p.cornerRefinementMaxIterations = 30;
  p.cornerRefinementMinAccuracy = 0.1;
  p.markerBorderBits = 1;
  p.perspectiveRemovePixelPerCell = 4;
  p.perspectiveRemoveIgnoredMarginPerCell = 0.13;
  p.maxErroneousBitsInBorderRate = 0.35;
  p.minOtsuStdDev = 5.0;
  p.errorCorrectionRate = 0.6;
  p.detectInvertedMarker = false;
  keepFixedRefinementWindow(p, 0);
}

std::vector<int> consecutiveIds(int first, int count) {
  std::vector<int> ids(static_cast<std::size_t>(count));
  std::iota(ids.begin(), ids.end(), first);
  return ids;
}

// A ChArUco board has a marker in every other square.
int markerCount(const CharucoBoardGeometry& board) { return board.squares.area() / 2; }

// ChArUco corner ids found, with the board's object point of each.
CharucoCorners withObjectPoints(std::vector<cv::Point2f> corners, std::vector<int> ids,
                                const std::vector<cv::Point3f>& boardCorners) {
  CharucoCorners found{std::move(corners), std::move(ids), {}};
  found.objectPoints.reserve(found.ids.size());
  for (int id : found.ids) found.objectPoints.push_back(boardCorners.at(static_cast<std::size_t>(id)));
  return found;
}

#if TALMEQ_ARUCO_IN_OBJDETECT

int markerCount(const GridBoardGeometry& board) { return board.markers.area(); }

cv::aruco::DetectorParameters detectorParameters(CornerRefinement refinement) {
  cv::aruco::DetectorParameters parameters;
  setStationParameters(parameters, refinement);
  return parameters;
}

cv::aruco::GridBoard makeGridBoard(const GridBoardGeometry& g) {
  return cv::aruco::GridBoard(g.markers, g.markerLength, g.markerSeparation,
                              cv::aruco::getPredefinedDictionary(g.dictionary),
                              consecutiveIds(g.firstId, markerCount(g)));
}

cv::aruco::CharucoBoard makeCharucoBoard(const CharucoBoardGeometry& g) {
  return cv::aruco::CharucoBoard(g.squares, g.squareLength, g.markerLength,
                                 cv::aruco::getPredefinedDictionary(g.dictionary),
                                 consecutiveIds(g.firstId, markerCount(g)));
}

#else

cv::Ptr<cv::aruco::DetectorParameters> detectorParameters(CornerRefinement refinement) {
  const cv::Ptr<cv::aruco::DetectorParameters> parameters = cv::aruco::DetectorParameters::create();
  setStationParameters(*parameters, refinement);
  return parameters;
}

cv::Ptr<cv::aruco::GridBoard> makeGridBoard(const GridBoardGeometry& g) {
  return cv::aruco::GridBoard::create(g.markers.width, g.markers.height, g.markerLength, g.markerSeparation,
                                      cv::aruco::getPredefinedDictionary(g.dictionary), g.firstId);
}

cv::Ptr<cv::aruco::CharucoBoard> makeCharucoBoard(const CharucoBoardGeometry& g) {
  const cv::Ptr<cv::aruco::CharucoBoard> board =
      cv::aruco::CharucoBoard::create(g.squares.width, g.squares.height, g.squareLength, g.markerLength,
                                      cv::aruco::getPredefinedDictionary(g.dictionary));
  board->ids = consecutiveIds(g.firstId, markerCount(g));
  return board;
}

// OpenCV before 4.6 measures board y upwards from the bottom edge; 4.6 and
// later, and this adapter, downwards from the top edge.
constexpr bool kBoardYUp = CV_VERSION_MAJOR == 4 && CV_VERSION_MINOR < 6;

std::vector<cv::Point3f> yDown(std::vector<cv::Point3f> points, float height) {
  if (kBoardYUp)
    for (cv::Point3f& point : points) point.y = height - point.y;
  return points;
}

float boardHeight(const GridBoardGeometry& g) {
  return static_cast<float>(g.markers.height) * g.markerLength +
         static_cast<float>(g.markers.height - 1) * g.markerSeparation;
}

float boardHeight(const CharucoBoardGeometry& g) { return static_cast<float>(g.squares.height) * g.squareLength; }

// The grid board with its markers' object corners y downwards, for the
// point matching and the calibration; the grid board itself where OpenCV
// already has them so.
cv::Ptr<cv::aruco::Board> pointBoard(const GridBoardGeometry& g) {
  const cv::Ptr<cv::aruco::GridBoard> grid = makeGridBoard(g);
  if (!kBoardYUp) return grid;
  std::vector<std::vector<cv::Point3f> > corners;
  for (const std::vector<cv::Point3f>& marker : grid->objPoints) corners.push_back(yDown(marker, boardHeight(g)));
  return cv::aruco::Board::create(corners, grid->dictionary, grid->ids);
}

#endif

}  // namespace

#if TALMEQ_ARUCO_IN_OBJDETECT

cv::Mat drawMarker(int dictionary, int id, int sidePixels, int borderBits) {
  cv::Mat image;
  cv::aruco::generateImageMarker(cv::aruco::getPredefinedDictionary(dictionary), id, sidePixels, image, borderBits);
  return image;
}

void detectMarkers(const cv::Mat& image, int dictionary, CornerRefinement refinement, MarkerCorners& corners,
                   std::vector<int>& ids, MarkerCorners* rejected) {
  const cv::aruco::ArucoDetector detector(cv::aruco::getPredefinedDictionary(dictionary),
                                          detectorParameters(refinement));
  MarkerCorners ignored;
  detector.detectMarkers(image, corners, ids, rejected != nullptr ? *rejected : ignored);
}

BoardMarkers gridBoardMarkers(const GridBoardGeometry& board) {
  const cv::aruco::GridBoard grid = makeGridBoard(board);
  return {grid.getIds(), grid.getObjPoints()};
}

cv::Mat drawGridBoard(const GridBoardGeometry& board, cv::Size size, int marginPixels, int borderBits) {
  cv::Mat image;
  makeGridBoard(board).generateImage(size, image, marginPixels, borderBits);
  return image;
}

void matchGridBoardPoints(const GridBoardGeometry& board, const MarkerCorners& corners, const std::vector<int>& ids,
                          std::vector<cv::Point3f>& objectPoints, std::vector<cv::Point2f>& imagePoints) {
  objectPoints.clear();
  imagePoints.clear();
  if (ids.empty()) return;  // matchImagePoints asserts on an empty detection
  makeGridBoard(board).matchImagePoints(corners, ids, objectPoints, imagePoints);
}

double calibrateCameraFromMarkers(const GridBoardGeometry& board, const MarkerCorners& corners,
                                  const std::vector<int>& ids, const std::vector<int>& counter, cv::Size imageSize,
                                  cv::Mat& cameraMatrix, cv::Mat& distCoeffs, int flags,
                                  const cv::TermCriteria& criteria) {
  const cv::Ptr<cv::aruco::Board> grid = cv::makePtr<cv::aruco::GridBoard>(makeGridBoard(board));
  return cv::aruco::calibrateCameraAruco(corners, ids, counter, grid, imageSize, cameraMatrix, distCoeffs,
                                         cv::noArray(), cv::noArray(), flags, criteria);
}

cv::Mat drawCharucoBoard(const CharucoBoardGeometry& board, cv::Size size, int marginPixels, int borderBits) {
  cv::Mat image;
  makeCharucoBoard(board).generateImage(size, image, marginPixels, borderBits);
  return image;
}

std::vector<cv::Point3f> charucoBoardCorners(const CharucoBoardGeometry& board) {
  return makeCharucoBoard(board).getChessboardCorners();
}

int markerBits(int dictionary) { return cv::aruco::getPredefinedDictionary(dictionary).markerSize; }

BoardMarkers charucoBoardMarkers(const CharucoBoardGeometry& board) {
  const cv::aruco::CharucoBoard charuco = makeCharucoBoard(board);
  return {charuco.getIds(), charuco.getObjPoints()};
}

CharucoCorners interpolateCharucoCorners(const cv::Mat& image, const CharucoBoardGeometry& board,
                                         const MarkerCorners& markerCorners, const std::vector<int>& markerIds) {
  const cv::aruco::CharucoBoard charuco = makeCharucoBoard(board);
  std::vector<cv::Point2f> corners;
  std::vector<int> ids;
  if (!markerIds.empty()) {
    MarkerCorners givenCorners = markerCorners;  // detectBoard takes markers found beforehand as in/out
    std::vector<int> givenIds = markerIds;
    cv::aruco::CharucoDetector(charuco).detectBoard(image, corners, ids, givenCorners, givenIds);
  }
  return withObjectPoints(std::move(corners), std::move(ids), charuco.getChessboardCorners());
}

CharucoCorners findCharucoCorners(const cv::Mat& image, const CharucoBoardGeometry& board,
                                  CornerRefinement refinement) {
  const cv::aruco::CharucoBoard charuco = makeCharucoBoard(board);
  const cv::aruco::CharucoDetector detector(charuco, cv::aruco::CharucoParameters(), detectorParameters(refinement));
  std::vector<cv::Point2f> corners;
  std::vector<int> ids;
  MarkerCorners markerCorners;
  std::vector<int> markerIds;
  detector.detectBoard(image, corners, ids, markerCorners, markerIds);
  return withObjectPoints(std::move(corners), std::move(ids), charuco.getChessboardCorners());
}

#else

cv::Mat drawMarker(int dictionary, int id, int sidePixels, int borderBits) {
  cv::Mat image;
  cv::aruco::drawMarker(cv::aruco::getPredefinedDictionary(dictionary), id, sidePixels, image, borderBits);
  return image;
}

void detectMarkers(const cv::Mat& image, int dictionary, CornerRefinement refinement, MarkerCorners& corners,
                   std::vector<int>& ids, MarkerCorners* rejected) {
  MarkerCorners ignored;
  cv::aruco::detectMarkers(image, cv::aruco::getPredefinedDictionary(dictionary), corners, ids,
                           detectorParameters(refinement), rejected != nullptr ? *rejected : ignored);
}

BoardMarkers gridBoardMarkers(const GridBoardGeometry& board) {
  const cv::Ptr<cv::aruco::Board> grid = pointBoard(board);
  return {grid->ids, grid->objPoints};
}

cv::Mat drawGridBoard(const GridBoardGeometry& board, cv::Size size, int marginPixels, int borderBits) {
  cv::Mat image;
  makeGridBoard(board)->draw(size, image, marginPixels, borderBits);
  return image;
}

void matchGridBoardPoints(const GridBoardGeometry& board, const MarkerCorners& corners, const std::vector<int>& ids,
                          std::vector<cv::Point3f>& objectPoints, std::vector<cv::Point2f>& imagePoints) {
  objectPoints.clear();
  imagePoints.clear();
  if (ids.empty()) return;
  const cv::Ptr<cv::aruco::Board> grid = pointBoard(board);
  cv::aruco::getBoardObjectAndImagePoints(grid, corners, ids, objectPoints, imagePoints);
}

double calibrateCameraFromMarkers(const GridBoardGeometry& board, const MarkerCorners& corners,
                                  const std::vector<int>& ids, const std::vector<int>& counter, cv::Size imageSize,
                                  cv::Mat& cameraMatrix, cv::Mat& distCoeffs, int flags,
                                  const cv::TermCriteria& criteria) {
  const cv::Ptr<cv::aruco::Board> grid = pointBoard(board);
  return cv::aruco::calibrateCameraAruco(corners, ids, counter, grid, imageSize, cameraMatrix, distCoeffs,
                                         cv::noArray(), cv::noArray(), flags, criteria);
}

cv::Mat drawCharucoBoard(const CharucoBoardGeometry& board, cv::Size size, int marginPixels, int borderBits) {
  cv::Mat image;
  makeCharucoBoard(board)->draw(size, image, marginPixels, borderBits);
  return image;
}

std::vector<cv::Point3f> charucoBoardCorners(const CharucoBoardGeometry& board) {
  return yDown(makeCharucoBoard(board)->chessboardCorners, boardHeight(board));
}

int markerBits(int dictionary) { return cv::aruco::getPredefinedDictionary(dictionary)->markerSize; }

BoardMarkers charucoBoardMarkers(const CharucoBoardGeometry& board) {
  const cv::Ptr<cv::aruco::CharucoBoard> charuco = makeCharucoBoard(board);
  return {charuco->ids, charuco->objPoints};
}

CharucoCorners interpolateCharucoCorners(const cv::Mat& image, const CharucoBoardGeometry& board,
                                         const MarkerCorners& markerCorners, const std::vector<int>& markerIds) {
  const cv::Ptr<cv::aruco::CharucoBoard> charuco = makeCharucoBoard(board);
  std::vector<cv::Point2f> corners;
  std::vector<int> ids;
  if (!markerIds.empty()) cv::aruco::interpolateCornersCharuco(markerCorners, markerIds, image, charuco, corners, ids);
  return withObjectPoints(std::move(corners), std::move(ids), charuco->chessboardCorners);
}

CharucoCorners findCharucoCorners(const cv::Mat& image, const CharucoBoardGeometry& board,
                                  CornerRefinement refinement) {
  const cv::Ptr<cv::aruco::CharucoBoard> charuco = makeCharucoBoard(board);
  MarkerCorners markerCorners;
  std::vector<int> markerIds;
  cv::aruco::detectMarkers(image, charuco->dictionary, markerCorners, markerIds, detectorParameters(refinement));
  std::vector<cv::Point2f> corners;
  std::vector<int> ids;
  if (!markerIds.empty()) cv::aruco::interpolateCornersCharuco(markerCorners, markerIds, image, charuco, corners, ids);
  return withObjectPoints(std::move(corners), std::move(ids), yDown(charuco->chessboardCorners, boardHeight(board)));
}

#endif

}  // namespace talmeq::detail::aruco_api
