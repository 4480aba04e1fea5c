#include "viewPoses.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>

namespace talmeq::sim {
namespace {

constexpr int kGridColumns = 4, kGridRows = 3;
constexpr double kMarginFraction = 0.02;
constexpr int kPullSteps = 20;  // each step moves the aim 5 % of the way to the centre

bool inside(const std::vector<cv::Point2f>& points, cv::Size size, double margin) {
  return std::all_of(points.begin(), points.end(), [&](const cv::Point2f& p) {
    return p.x >= margin && p.y >= margin && p.x <= size.width - 1 - margin && p.y <= size.height - 1 - margin;
  });
}

// The board's extent in board units.
cv::Size2d boardExtent(const Target& target) {
  cv::Point2d low(1e300, 1e300), high(-1e300, -1e300);
  for (const cv::Point3f& p : target.points) {
    low = {std::min(low.x, double(p.x)), std::min(low.y, double(p.y))};
    high = {std::max(high.x, double(p.x)), std::max(high.y, double(p.y))};
  }
  return {high.x - low.x, high.y - low.y};
}

}  // namespace

std::vector<Pose> coveringPoses(const Target& target, const Camera& camera, int count, std::uint64_t seed,
                                double imageFraction) {
  cv::RNG rng(seed);
  const double distance = camera.fx * boardExtent(target).width / (imageFraction * camera.size.width);
  const double margin = kMarginFraction * camera.size.width;
  std::vector<Pose> poses;
  for (int i = 0; i < count; ++i) {
    const int cell = i % (kGridColumns * kGridRows);
    const cv::Point2d aim((cell % kGridColumns + 0.5) * camera.size.width / kGridColumns,
                          (cell / kGridColumns + 0.5) * camera.size.height / kGridRows);
    const double tilt = i % 4 == 3 ? rng.uniform(0.0, 5.0) : rng.uniform(15.0, 35.0);
    const double axis = rng.uniform(0.0, 2.0 * CV_PI);
    const double spin = rng.uniform(-20.0, 20.0);
    const double depth = distance * rng.uniform(0.9, 1.15);
    const cv::Point2d centre(camera.cx, camera.cy);
    Pose pose;
    for (int step = 0; step <= kPullSteps; ++step) {
      const cv::Point2d target2d = aim + (centre - aim) * (step / static_cast<double>(kPullSteps));
      const cv::Point2d shift((target2d.x - camera.cx) / camera.fx * depth,
                              (target2d.y - camera.cy) / camera.fy * depth);
      pose = boardPose(target, depth, tilt * std::cos(axis), tilt * std::sin(axis), spin, shift);
      if (inside(projectTarget(target, camera, pose), camera.size, margin)) break;
    }
    poses.push_back(pose);
  }
  return poses;
}

}  // namespace talmeq::sim
