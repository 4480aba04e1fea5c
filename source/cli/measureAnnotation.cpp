// Drawing of a height measurement (see measureAnnotation.h).
#include "measureAnnotation.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace talmeq::cli {
namespace {

cv::Point rounded(const cv::Point2d& p) {
  return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
}

void drawCross(cv::Mat& canvas, const cv::Point& centre, int arm, const cv::Scalar& colour) {
  cv::line(canvas, centre - cv::Point(arm, 0), centre + cv::Point(arm, 0), colour, 1, cv::LINE_8);
  cv::line(canvas, centre - cv::Point(0, arm), centre + cv::Point(0, arm), colour, 1, cv::LINE_8);
}

void drawBand(cv::Mat& canvas, const cv::Rect& window) {
  cv::Mat overlay = canvas.clone();
  cv::line(overlay, window.tl(), window.tl() + cv::Point(window.width, window.height), measureMarks::kBand,
           measureMarks::kBandThickness, cv::LINE_8);
  cv::addWeighted(overlay, measureMarks::kBandOpacity, canvas, 1.0 - measureMarks::kBandOpacity, 0.0, canvas);
}

}  // namespace

std::optional<cv::Point2d> spotOnTrack(const HeightCalibration& file, double height) {
  const cv::Rect window = searchWindow(file);
  const double along = std::hypot(window.width, window.height);
  const double perDistance = file.k * file.scale * (file.dist - height);
  if (along == 0.0 || perDistance == 0.0) return std::nullopt;
  // The model h = k * r * scale * (dist - h) / dist + b solved for r.
  const double r = (height - file.b) * file.dist / perDistance;
  const cv::Point2d reference(file.initialX + file.offsetX, file.initialY + file.offsetY);
  const cv::Point2d start(window.x, window.y);
  const cv::Point2d u(window.width / along, window.height / along);
  // Farther crossing of the line start + t u with the circle of radius r about the reference.
  const double half = u.dot(start - reference);
  const double discriminant = half * half - (start - reference).dot(start - reference) + r * r;
  if (!(discriminant >= 0.0)) return std::nullopt;
  return start + (-half + std::sqrt(discriminant)) * u;
}

cv::Mat annotateMeasurement(const cv::Mat& image, const HeightCalibration& file,
                            std::optional<double> height) {
  cv::Mat canvas = image.clone();
  const cv::Rect window = searchWindow(file);
  drawBand(canvas, window);
  cv::rectangle(canvas, window, measureMarks::kWindow, 1, cv::LINE_8);
  drawCross(canvas, rounded({file.initialX + file.offsetX, file.initialY + file.offsetY}), 4,
            measureMarks::kReference);
  if (height) {
    if (const auto spot = spotOnTrack(file, *height))
      drawCross(canvas, rounded(*spot), measureMarks::kSpotArm, measureMarks::kSpot);
  }
  int y = 16;
  for (const auto& [label, colour] :
       {std::pair{"search window", &measureMarks::kWindow}, std::pair{"track band", &measureMarks::kBand},
        std::pair{"reference point", &measureMarks::kReference}, std::pair{"spot", &measureMarks::kSpot}}) {
    cv::putText(canvas, label, {8, y}, cv::FONT_HERSHEY_SIMPLEX, 0.5, *colour, 1, cv::LINE_AA);
    y += 18;
  }
  return canvas;
}

}  // namespace talmeq::cli
