// Camera calibration from many views of the station's calibration targets,
// with the quality record an engineer needs to trust it: the uncertainty of
// every parameter, per-view residuals, how well the views cover the image,
// a cross-validation, the straightness of undistorted board rows, and a
// verdict against thresholds that can be overridden.
//
// Units: pixels for image positions (pixel centres at integer coordinates),
// board units for board points (the chessboard's pitch is 15, the ArUco
// board's marker side 200), degrees for angles.
//
// Errors: arguments that cannot be used (an empty or non-8-bit image, no
// view with board points, views of different targets) raise cv::Exception;
// everything a dataset can be (too few views, poor coverage, a bad view) is
// a result, reported in the checks.
#pragma once

#include <talmeq/boardDescription.h>
#include <talmeq/export.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "verdictCheck.h"

namespace talmeq {

// The two targets of the station: the 17 x 12 inner-corner chessboard at
// pitch 15, and the 9 x 6 grid board of DICT_6X6_250 markers (side 200,
// separation 100, identifiers 0..53).
enum class CalibrationTarget { kChessboard, kArucoGrid };

// The board points found in one view.
struct BoardView {
  CalibrationTarget target = CalibrationTarget::kChessboard;
  bool found = false;                    // the full chessboard, or at least one board marker
  std::vector<cv::Point3f> boardPoints;  // board units, z = 0
  std::vector<cv::Point2f> imagePoints;  // pixels, refined to sub-pixel
  std::string misfit;                    // when a board was seen that cannot be the described one: what was seen
};

// Finds the board's points in an 8-bit image (one or three channels): the
// chessboard's inner corners refined with cornerSubPix, the corners of every
// board marker refined by the marker detector's sub-pixel step, or the
// ChArUco corners between the markers found (a partial view counts with the
// corners it shows, at least six). Markers whose ids or positions cannot
// belong to the board, or a chessboard of another size, leave the view not
// found with `misfit` saying what was seen. A description that cannot be a
// board raises std::invalid_argument.
TALMEQ_EXPORT BoardView findBoardView(const cv::Mat& image, const BoardDescription& board);

// The same for one of the station's two targets.
TALMEQ_EXPORT BoardView findBoardView(const cv::Mat& image, CalibrationTarget target);

// The camera model: focal lengths and principal point in pixels, and the
// five distortion coefficients k1, k2, p1, p2, k3.
struct CameraParameters {
  double fx = 0.0, fy = 0.0, cx = 0.0, cy = 0.0;
  double k1 = 0.0, k2 = 0.0, p1 = 0.0, p2 = 0.0, k3 = 0.0;
};

// Thresholds of the verdict.
struct CalibrationThresholds {
  double maxRelativeUncertainty = 0.05;  // 1.96 sigma / value of fx, fy, cx and cy
  double maxRms = 0.5;                   // reprojection RMS of the used views, pixels
  double minCoverageScore = 1.2;         // mean / standard deviation of the views seen per grid cell
  int minViews = 10;                     // used views
  int maxViews = 30;
  int minTiltedViews = 2;           // views whose board is tilted by at least `minTilt`
  double minTilt = 10.0;            // degrees
  double outlierFactor = 3.0;       // the worst view is left out when its RMS exceeds this times the median
  double minOutlierRms = 0.1;       // ... and this many pixels
  double maxCrossValidation = 1.0;  // pixels between the cameras of the two halves of the views
  double minFocalPerWidth = 0.2;    // fx and fy / image width: the range of a plausible lens
  double maxFocalPerWidth = 5.0;
};

// One view of the calibration.
struct ViewQuality {
  bool found = false;  // board points found in the view
  bool used = false;   // found, and not left out as an outlier
  int points = 0;
  double rms = 0.0;                    // reprojection RMS of its points, pixels
  double tilt = 0.0;                   // angle between the board's normal and the optical axis, degrees
  bool repeats = false;                // the same pose as an earlier view (its points within a pixel)
  int repeatOf = -1;                   // the first earlier view it repeats, or -1
  std::vector<cv::Point2f> found2d;    // the detected points
  std::vector<cv::Point2f> projected;  // the board points projected with the calibrated camera
  std::vector<int> worstPoints;        // indices of its largest residuals, largest first (at most 3)
};

struct CameraCalibrationReport {
  cv::Size imageSize;
  cv::Mat cameraMatrix;            // 3 x 3 CV_64F
  cv::Mat distCoeffs;              // 1 x 5 CV_64F
  CameraParameters camera;         // the same values
  CameraParameters uncertainty;    // 1 sigma of each
  double rms = 0.0;                // reprojection RMS over the used views, pixels
  std::vector<ViewQuality> views;  // one per view given, in order
  int usedViews = 0;
  cv::Mat coverage;              // 10 x 10 CV_32S: used views with a point in each cell
  double coverageScore = 0.0;    // mean / standard deviation of `coverage` (infinite when all cells are equal)
  double coveredShare = 0.0;     // share of cells holding a point of some used view
  double crossValidation = 0.0;  // pixels: RMS over the image between the cameras of the two halves of
                                 // the views (alternate views); NaN with fewer than 4 used views
  double straightness = 0.0;     // pixels: largest distance of an undistorted board point from the line
                                 // through its board row
  std::vector<VerdictCheck> checks;
  bool accepted = false;  // every check passed
};

// Calibrates from the views (those not found are kept in the report and
// skipped), leaves out the worst view when it is an outlier, and measures
// the quality; the verdict includes the camera model's checks of
// cameraPlausibilityChecks. `imageSize` is the size of every view's image.
TALMEQ_EXPORT CameraCalibrationReport calibrateCameraFromViews(const std::vector<BoardView>& views, cv::Size imageSize,
                                                               const CalibrationThresholds& thresholds = {});

// The same record for a camera calibrated elsewhere (by calibChess or
// calibAruco, say): each found view's pose solved with the camera fixed, its
// residuals, tilt and whether it repeats an earlier view (the rule of
// calibrateCameraFromViews), every found view used, `rms` over all their
// points and the coverage. The camera is not refitted, so `uncertainty`,
// `crossValidation` and `checks` stay empty and `accepted` false. A view
// whose pose cannot be solved counts as not found.
TALMEQ_EXPORT CameraCalibrationReport reviewCamera(const std::vector<BoardView>& views, cv::Size imageSize,
                                                   const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs);

// What any calibrated camera must pass, from one view or many, before a
// host uses it: "rms", the reprojection RMS in pixels below `maxRms` (not
// evaluated when `rms` is NaN, i.e. unknown); "principal point", (cx, cy)
// inside the image; "fx" and "fy", each within `minFocalPerWidth` ..
// `maxFocalPerWidth` times the image width. A one-view calibration passes
// or fails on these alone. Raises cv::Exception unless `cameraMatrix` is
// 3 x 3 CV_64F and `imageSize` is not empty.
TALMEQ_EXPORT std::vector<VerdictCheck> cameraPlausibilityChecks(const cv::Mat& cameraMatrix, cv::Size imageSize,
                                                                 double rms,
                                                                 const CalibrationThresholds& thresholds = {});

}  // namespace talmeq
