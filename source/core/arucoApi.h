// The one place that talks to OpenCV's ArUco and ChArUco code. OpenCV 4.7
// moved marker detection from the contrib module `aruco` into `objdetect`
// and changed its interface: dictionaries and boards became values instead
// of cv::Ptr, GridBoard::create and DetectorParameters::create gave way to
// constructors, Board::draw to generateImage, the public objPoints and ids
// to getters, detectMarkers to ArucoDetector, getBoardObjectAndImagePoints
// to Board::matchImagePoints and interpolateCornersCharuco to
// CharucoDetector. The functions below take plain geometry and plain point
// lists, and the source file picks the interface of the OpenCV it is
// compiled against (CV_VERSION_MAJOR/MINOR), so the rest of the tree is the
// same on OpenCV 4.5, 4.6 and 4.10.
//
// What must agree across versions: the detector parameters are the ones the
// library's exports have always used (OpenCV's defaults, spelled out here
// value by value so a release that changes a default does not change the
// exports), with the corner refinement the caller asks for; boards number
// their markers from `firstId` row by row; a marker's object corners are
// top-left, top-right, bottom-right, bottom-left with board y growing
// downwards, as the drawn board shows them (OpenCV before 4.6 has y upwards:
// the adapter turns its points over).
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::detail::aruco_api {

using MarkerCorners = std::vector<std::vector<cv::Point2f>>;

// The predefined dictionary the station's boards use (OpenCV's DICT_6X6_250).
extern const int kDict6x6_250;

enum class CornerRefinement { kNone, kSubpixel };

// A grid of markers: `markers` across and down, side `markerLength`, gap
// `markerSeparation`, ids from `firstId`.
struct GridBoardGeometry {
  cv::Size markers;
  float markerLength;
  float markerSeparation;
  int dictionary;
  int firstId;
};

// A chessboard of `squares` with a marker in each white square, ids from
// `firstId`. OpenCV 4.6 changed where the markers of a board with an even
// number of rows sit; boards with an odd number of rows are drawn alike by
// every version. Before 4.6 the corner ids count from the bottom row, from
// 4.6 on from the top row; the object point of each id is where it is.
struct CharucoBoardGeometry {
  cv::Size squares;
  float squareLength;
  float markerLength;
  int dictionary;
  int firstId;
};

// The board's markers: their ids and, in the same order, their four object
// corners.
struct BoardMarkers {
  std::vector<int> ids;
  std::vector<std::vector<cv::Point3f>> corners;
};

// ChArUco corners found in an image: image positions, corner ids and the
// matching object points on the board, all in the same order.
struct CharucoCorners {
  std::vector<cv::Point2f> corners;
  std::vector<int> ids;
  std::vector<cv::Point3f> objectPoints;
};

// The bits across a marker of `dictionary`, its black border left out.
int markerBits(int dictionary);

// The image of one marker, `sidePixels` square, black border of `borderBits`.
cv::Mat drawMarker(int dictionary, int id, int sidePixels, int borderBits);

// Markers of `dictionary` found in an 8-bit image. `rejected`, when given,
// receives the candidates whose code did not decode.
void detectMarkers(const cv::Mat& image, int dictionary, CornerRefinement refinement, MarkerCorners& corners,
                   std::vector<int>& ids, MarkerCorners* rejected = nullptr);

BoardMarkers gridBoardMarkers(const GridBoardGeometry& board);

// The board drawn into an 8-bit image of `size` with a white margin.
cv::Mat drawGridBoard(const GridBoardGeometry& board, cv::Size size, int marginPixels, int borderBits);

// Object and image points of the detected markers that belong to the board,
// four per marker, in detection order.
void matchGridBoardPoints(const GridBoardGeometry& board, const MarkerCorners& corners, const std::vector<int>& ids,
                          std::vector<cv::Point3f>& objectPoints, std::vector<cv::Point2f>& imagePoints);

// Camera calibration from markers of several views given as one list: all
// markers view after view and the marker count of each view (`counter`).
// Returns the RMS re-projection error.
double calibrateCameraFromMarkers(const GridBoardGeometry& board, const MarkerCorners& corners,
                                  const std::vector<int>& ids, const std::vector<int>& counter, cv::Size imageSize,
                                  cv::Mat& cameraMatrix, cv::Mat& distCoeffs, int flags,
                                  const cv::TermCriteria& criteria);

cv::Mat drawCharucoBoard(const CharucoBoardGeometry& board, cv::Size size, int marginPixels, int borderBits);

// The board's inner chessboard corners, indexed by corner id.
std::vector<cv::Point3f> charucoBoardCorners(const CharucoBoardGeometry& board);

// The board's markers, ids from firstId, with their object corners.
BoardMarkers charucoBoardMarkers(const CharucoBoardGeometry& board);

// The chessboard corners between markers of the board already found in an
// 8-bit image (at least two markers next to a corner).
CharucoCorners interpolateCharucoCorners(const cv::Mat& image, const CharucoBoardGeometry& board,
                                         const MarkerCorners& markerCorners, const std::vector<int>& markerIds);

// The board's markers found in an 8-bit image, then the chessboard corners
// between them (at least two markers next to a corner).
CharucoCorners findCharucoCorners(const cv::Mat& image, const CharucoBoardGeometry& board, CornerRefinement refinement);

}  // namespace talmeq::detail::aruco_api
