#include "calibrationQuality.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

namespace talmeq::detail::quality {
namespace {

constexpr int kComparisonGrid = 20;
constexpr double kSamePoseRms = 1.0;  // pixels
const cv::TermCriteria kUndistortCriteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 100, 1e-10);

int cellOf(float position, int extent) {
  return std::clamp(static_cast<int>(position * kCoverageCells / extent), 0, kCoverageCells - 1);
}

}  // namespace

cv::Mat coverageGrid(const std::vector<const BoardView*>& views, cv::Size imageSize) {
  cv::Mat grid = cv::Mat::zeros(kCoverageCells, kCoverageCells, CV_32S);
  for (const BoardView* view : views) {
    cv::Mat seen = cv::Mat::zeros(kCoverageCells, kCoverageCells, CV_32S);
    for (const cv::Point2f& p : view->imagePoints)
      seen.at<int>(cellOf(p.y, imageSize.height), cellOf(p.x, imageSize.width)) = 1;
    grid += seen;
  }
  return grid;
}

double coverageScore(const cv::Mat& grid) {
  cv::Scalar mean, deviation;
  cv::meanStdDev(grid, mean, deviation);
  if (deviation[0] == 0.0) return std::numeric_limits<double>::infinity();
  return mean[0] / deviation[0];
}

double coveredShare(const cv::Mat& grid) {
  return static_cast<double>(cv::countNonZero(grid)) / static_cast<double>(grid.total());
}

double projectionDifference(const cv::Mat& cameraA, const cv::Mat& distA, const cv::Mat& cameraB, const cv::Mat& distB,
                            cv::Size imageSize) {
  std::vector<cv::Point2f> positions;
  for (int j = 0; j < kComparisonGrid; ++j)
    for (int i = 0; i < kComparisonGrid; ++i)
      positions.emplace_back((i + 0.5f) * imageSize.width / kComparisonGrid - 0.5f,
                             (j + 0.5f) * imageSize.height / kComparisonGrid - 0.5f);
  std::vector<cv::Point2f> rays, projected;
  cv::undistortPoints(positions, rays, cameraA, distA, cv::noArray(), cv::noArray(), kUndistortCriteria);
  std::vector<cv::Point3f> points;
  for (const cv::Point2f& r : rays) points.emplace_back(r.x, r.y, 1.0f);
  cv::projectPoints(points, cv::Vec3d(0, 0, 0), cv::Vec3d(0, 0, 0), cameraB, distB, projected);
  double squares = 0.0;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const cv::Point2f d = projected[i] - positions[i];
    squares += d.dot(d);
  }
  return std::sqrt(squares / static_cast<double>(positions.size()));
}

double rowStraightness(const BoardView& view, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs) {
  std::vector<cv::Point2f> ideal;
  cv::undistortPoints(view.imagePoints, ideal, cameraMatrix, distCoeffs, cv::noArray(), cameraMatrix,
                      kUndistortCriteria);
  std::map<float, std::vector<cv::Point2f>> rows;
  for (std::size_t i = 0; i < ideal.size(); ++i) rows[view.boardPoints[i].y].push_back(ideal[i]);
  double worst = 0.0;
  for (const auto& [y, row] : rows) {
    if (row.size() < 3) continue;
    cv::Vec4f line;  // direction (vx, vy) and a point (x0, y0)
    cv::fitLine(row, line, cv::DIST_L2, 0, 0.001, 0.001);
    for (const cv::Point2f& p : row)
      worst = std::max(worst, static_cast<double>(std::fabs((p.x - line[2]) * line[1] - (p.y - line[3]) * line[0])));
  }
  return worst;
}

double boardTilt(const cv::Mat& rvec) {
  cv::Matx33d r;
  cv::Rodrigues(rvec, r);
  return std::acos(std::min(1.0, std::fabs(r(2, 2)))) * 180.0 / CV_PI;
}

bool samePose(const BoardView& a, const BoardView& b) {
  if (a.boardPoints != b.boardPoints) return false;
  double squares = 0.0;
  for (std::size_t i = 0; i < a.imagePoints.size(); ++i) {
    const cv::Point2f d = a.imagePoints[i] - b.imagePoints[i];
    squares += d.dot(d);
  }
  return std::sqrt(squares / static_cast<double>(a.imagePoints.size())) < kSamePoseRms;
}

}  // namespace talmeq::detail::quality
