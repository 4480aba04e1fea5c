// Many-view camera calibration with its quality record (see
// cameraCalibrationReport.h): OpenCV's calibration with the standard
// deviations of the intrinsics, one pass that leaves out an outlying view,
// and the measures of calibrationQuality.h.
#include <talmeq/cameraCalibrationReport.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numeric>
#include <opencv2/calib3d.hpp>

#include "calibrationQuality.h"
#include "calibrationVerdict.h"

namespace talmeq::detail {
namespace {

constexpr int kWorstPoints = 3;
const cv::TermCriteria kCriteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 100, DBL_EPSILON);

struct Calibration {
  cv::Mat cameraMatrix, distCoeffs, deviations;
  std::vector<cv::Mat> rvecs, tvecs;
  double rms = 0.0;
};

Calibration calibrate(const std::vector<const BoardView*>& views, cv::Size imageSize) {
  std::vector<std::vector<cv::Point3f>> board;
  std::vector<std::vector<cv::Point2f>> image;
  for (const BoardView* view : views) {
    board.push_back(view->boardPoints);
    image.push_back(view->imagePoints);
  }
  Calibration c;
  cv::Mat extrinsicDeviations, perViewErrors;
  c.rms = cv::calibrateCamera(board, image, imageSize, c.cameraMatrix, c.distCoeffs, c.rvecs, c.tvecs, c.deviations,
                              extrinsicDeviations, perViewErrors, 0, kCriteria);
  c.distCoeffs = c.distCoeffs.reshape(1, 1);
  return c;
}

CameraParameters parameters(const cv::Mat& values) {
  const auto at = [&](int i) { return values.at<double>(i); };
  return {at(0), at(1), at(2), at(3), at(4), at(5), at(6), at(7), at(8)};
}

CameraParameters cameraParameters(const Calibration& c) {
  const cv::Mat& k = c.cameraMatrix;
  const cv::Mat values = (cv::Mat_<double>(9, 1) << k.at<double>(0, 0), k.at<double>(1, 1), k.at<double>(0, 2),
                          k.at<double>(1, 2), c.distCoeffs.at<double>(0), c.distCoeffs.at<double>(1),
                          c.distCoeffs.at<double>(2), c.distCoeffs.at<double>(3), c.distCoeffs.at<double>(4));
  return parameters(values);
}

// Residuals of one view under the calibrated camera, for a view with its
// own pose from the calibration or, for a view left out, solved for.
void measureView(const BoardView& view, const Calibration& c, const cv::Mat& rvec, const cv::Mat& tvec,
                 ViewQuality& quality) {
  cv::projectPoints(view.boardPoints, rvec, tvec, c.cameraMatrix, c.distCoeffs, quality.projected);
  std::vector<double> residuals(view.imagePoints.size());
  double squares = 0.0;
  for (std::size_t i = 0; i < residuals.size(); ++i) {
    residuals[i] = cv::norm(quality.projected[i] - view.imagePoints[i]);
    squares += residuals[i] * residuals[i];
  }
  quality.rms = std::sqrt(squares / static_cast<double>(residuals.size()));
  quality.tilt = quality::boardTilt(rvec);
  std::vector<int> order(residuals.size());
  std::iota(order.begin(), order.end(), 0);
  const std::size_t worst = std::min<std::size_t>(kWorstPoints, order.size());
  std::partial_sort(order.begin(), order.begin() + static_cast<long>(worst), order.end(),
                    [&](int a, int b) { return residuals[a] > residuals[b]; });
  quality.worstPoints.assign(order.begin(), order.begin() + static_cast<long>(worst));
}

// Marks the view `i` as a repeat of the first earlier found view with the
// same pose.
void markRepeat(const std::vector<BoardView>& views, std::vector<ViewQuality>& quality, std::size_t i) {
  for (std::size_t j = 0; j < i && quality[i].repeatOf < 0; ++j)
    if (quality[j].found && quality::samePose(views[j], views[i])) quality[i].repeatOf = static_cast<int>(j);
  quality[i].repeats = quality[i].repeatOf >= 0;
}

// The view whose RMS stands out, or -1: the worst used view, when it exceeds
// both the factor times the median of the used views and the floor.
int outlyingView(const std::vector<ViewQuality>& views, const CalibrationThresholds& t) {
  std::vector<double> rms;
  int worst = -1;
  for (std::size_t i = 0; i < views.size(); ++i) {
    if (!views[i].used) continue;
    rms.push_back(views[i].rms);
    if (worst < 0 || views[i].rms > views[static_cast<std::size_t>(worst)].rms) worst = static_cast<int>(i);
  }
  if (rms.size() < 3) return -1;
  std::nth_element(rms.begin(), rms.begin() + static_cast<long>(rms.size() / 2), rms.end());
  const double median = rms[rms.size() / 2];
  const double worstRms = views[static_cast<std::size_t>(worst)].rms;
  return worstRms > t.outlierFactor * median && worstRms > t.minOutlierRms ? worst : -1;
}

std::vector<const BoardView*> usedViews(const std::vector<BoardView>& views, const std::vector<ViewQuality>& quality) {
  std::vector<const BoardView*> used;
  for (std::size_t i = 0; i < views.size(); ++i)
    if (quality[i].used) used.push_back(&views[i]);
  return used;
}

// Calibrates from the used views and measures every found view with it.
Calibration calibrateAndMeasure(const std::vector<BoardView>& views, cv::Size imageSize,
                                std::vector<ViewQuality>& quality) {
  const Calibration c = calibrate(usedViews(views, quality), imageSize);
  std::size_t pose = 0;
  for (std::size_t i = 0; i < views.size(); ++i) {
    if (!quality[i].found) continue;
    if (quality[i].used) {
      measureView(views[i], c, c.rvecs[pose], c.tvecs[pose], quality[i]);
      ++pose;
    } else {
      cv::Mat rvec, tvec;
      cv::solvePnP(views[i].boardPoints, views[i].imagePoints, c.cameraMatrix, c.distCoeffs, rvec, tvec);
      measureView(views[i], c, rvec, tvec, quality[i]);
    }
  }
  return c;
}

// RMS between the cameras calibrated from alternate halves of the used views.
double crossValidation(const std::vector<const BoardView*>& used, cv::Size imageSize) {
  if (used.size() < 4) return std::numeric_limits<double>::quiet_NaN();
  std::vector<const BoardView*> halves[2];
  for (std::size_t i = 0; i < used.size(); ++i) halves[i % 2].push_back(used[i]);
  const Calibration a = calibrate(halves[0], imageSize);
  const Calibration b = calibrate(halves[1], imageSize);
  return quality::projectionDifference(a.cameraMatrix, a.distCoeffs, b.cameraMatrix, b.distCoeffs, imageSize);
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

CameraCalibrationReport reviewCamera(const std::vector<BoardView>& views, cv::Size imageSize,
                                     const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs) {
  CV_Assert(imageSize.width > 0 && imageSize.height > 0);
  detail::Calibration c;
  c.cameraMatrix = cameraMatrix;
  c.distCoeffs = distCoeffs.reshape(1, 1);
  CameraCalibrationReport report;
  report.imageSize = imageSize;
  report.views.resize(views.size());
  report.cameraMatrix = c.cameraMatrix;
  report.distCoeffs = c.distCoeffs;
  if (c.distCoeffs.total() >= 5) report.camera = detail::cameraParameters(c);
  double squares = 0.0;
  std::size_t points = 0;
  std::vector<const BoardView*> used;
  for (std::size_t i = 0; i < views.size(); ++i) {
    const BoardView& view = views[i];
    ViewQuality& q = report.views[i];
    q.points = static_cast<int>(view.imagePoints.size());
    q.found2d = view.imagePoints;
    cv::Mat rvec, tvec;
    try {
      q.found = view.found && view.imagePoints.size() == view.boardPoints.size() && view.imagePoints.size() >= 4 &&
                cv::solvePnP(view.boardPoints, view.imagePoints, c.cameraMatrix, c.distCoeffs, rvec, tvec);
    } catch (const cv::Exception&) {
      q.found = false;  // a degenerate view: no pose
    }
    if (!(q.used = q.found)) continue;
    detail::measureView(view, c, rvec, tvec, q);
    detail::markRepeat(views, report.views, i);
    squares += q.rms * q.rms * q.points;
    points += view.imagePoints.size();
    used.push_back(&view);
  }
  report.usedViews = static_cast<int>(used.size());
  report.rms = points > 0 ? std::sqrt(squares / static_cast<double>(points)) : 0.0;
  report.coverage = detail::quality::coverageGrid(used, imageSize);
  report.coverageScore = detail::quality::coverageScore(report.coverage);
  report.coveredShare = detail::quality::coveredShare(report.coverage);
  return report;
}

CameraCalibrationReport calibrateCameraFromViews(const std::vector<BoardView>& views, cv::Size imageSize,
                                                 const CalibrationThresholds& thresholds) {
  CV_Assert(imageSize.width > 0 && imageSize.height > 0);
  CameraCalibrationReport report;
  report.imageSize = imageSize;
  report.views.resize(views.size());
  for (std::size_t i = 0; i < views.size(); ++i) {
    const BoardView& view = views[i];
    ViewQuality& q = report.views[i];
    q.found = q.used = view.found && view.imagePoints.size() == view.boardPoints.size() && !view.imagePoints.empty();
    q.points = static_cast<int>(view.imagePoints.size());
    q.found2d = view.imagePoints;
    if (q.found) detail::markRepeat(views, report.views, i);
  }
  if (std::none_of(report.views.begin(), report.views.end(), [](const ViewQuality& q) { return q.found; }))
    CV_Error(cv::Error::StsBadArg, "no view holds board points");

  detail::Calibration c = detail::calibrateAndMeasure(views, imageSize, report.views);
  if (const int outlier = detail::outlyingView(report.views, thresholds); outlier >= 0) {
    report.views[static_cast<std::size_t>(outlier)].used = false;
    c = detail::calibrateAndMeasure(views, imageSize, report.views);
  }
  const std::vector<const BoardView*> used = detail::usedViews(views, report.views);
  report.cameraMatrix = c.cameraMatrix;
  report.distCoeffs = c.distCoeffs;
  report.camera = detail::cameraParameters(c);
  report.uncertainty = detail::parameters(c.deviations);
  report.rms = c.rms;
  report.usedViews = static_cast<int>(used.size());
  report.coverage = detail::quality::coverageGrid(used, imageSize);
  report.coverageScore = detail::quality::coverageScore(report.coverage);
  report.coveredShare = detail::quality::coveredShare(report.coverage);
  report.crossValidation = detail::crossValidation(used, imageSize);
  for (const BoardView* view : used)
    report.straightness =
        std::max(report.straightness, detail::quality::rowStraightness(*view, c.cameraMatrix, c.distCoeffs));
  report.checks = detail::verdictChecks(report, thresholds);
  report.accepted =
      std::all_of(report.checks.begin(), report.checks.end(), [](const VerdictCheck& check) { return check.passed; });
  return report;
}

}  // namespace talmeq
