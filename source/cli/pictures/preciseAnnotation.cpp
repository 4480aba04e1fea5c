// Drawing of a sub-pixel reading (see preciseAnnotation.h).
#include "preciseAnnotation.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <string>

#include "output.h"

namespace talmeq::cli {
namespace {

constexpr int kShift = 4;  // fractional bits of the drawing coordinates
constexpr double kOne = 1 << kShift;
constexpr double kDiagonal = 0.70710678118654752;  // the cross's arms at 45 degrees

cv::Point fixedPoint(cv::Point2d p) { return {cvRound(p.x * kOne), cvRound(p.y * kOne)}; }

// The covariance's 1-sigma ellipse, magnified, around `centre` (fixed point).
void drawUncertainty(cv::Mat& canvas, cv::Point centre, const cv::Matx22d& covariance) {
  cv::Matx21d values;
  cv::Matx22d vectors;  // eigenvectors as rows, the larger value first
  cv::eigen(covariance, values, vectors);
  const double angle = std::atan2(vectors(0, 1), vectors(0, 0)) * 180.0 / CV_PI;
  const auto halfAxis = [](double variance) {
    return cvRound(preciseMarks::kUncertaintyScale * std::sqrt(std::max(variance, 0.0)) * kOne);
  };
  cv::ellipse(canvas, centre, cv::Size(halfAxis(values(0)), halfAxis(values(1))), angle, 0, 360, preciseMarks::kCentre,
              1, cv::LINE_AA, kShift);
}

}  // namespace

void drawPreciseSpot(cv::Mat& canvas, const SpotReading& r) {
  cv::putText(canvas, "blue x: sub-pixel centre, ellipse: its uncertainty x100", {6, canvas.rows - 8},
              cv::FONT_HERSHEY_SIMPLEX, 0.4, preciseMarks::kCentre, 1, cv::LINE_AA);
  if (!r.hasCentre()) return;
  const cv::Point c = fixedPoint(r.centre);
  for (const cv::Point2d& d : {cv::Point2d(1, 1), cv::Point2d(1, -1), cv::Point2d(-1, 1), cv::Point2d(-1, -1)})
    cv::line(canvas, fixedPoint(r.centre + d * preciseMarks::kArmFrom * kDiagonal),
             fixedPoint(r.centre + d * preciseMarks::kArmTo * kDiagonal), preciseMarks::kCentre, 1, cv::LINE_AA,
             kShift);
  drawUncertainty(canvas, c, r.covariance);
  const std::string text = "(" + fixed(r.centre.x, 3) + ", " + fixed(r.centre.y, 3) + ") +-" + fixed(r.uncertainty, 3);
  cv::putText(canvas, text, cv::Point(r.centre) + cv::Point(preciseMarks::kArmTo + 2, -preciseMarks::kArmTo),
              cv::FONT_HERSHEY_SIMPLEX, 0.4, preciseMarks::kCentre, 1, cv::LINE_AA);
  if (r.status == SpotStatus::kAmbiguous)
    cv::circle(canvas, fixedPoint(r.runnerUpCentre), 10 << kShift, preciseMarks::kRunnerUp, 1, cv::LINE_AA, kShift);
}

}  // namespace talmeq::cli
