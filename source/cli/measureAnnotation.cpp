// Drawing of a height measurement (see measureAnnotation.h).
#include "measureAnnotation.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

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
           region::kBandThickness, cv::LINE_8);
  cv::addWeighted(overlay, measureMarks::kBandOpacity, canvas, 1.0 - measureMarks::kBandOpacity, 0.0, canvas);
}

}  // namespace

cv::Mat annotateMeasurement(const cv::Mat& image, const MeasureTrace& trace) {
  cv::Mat canvas = image.clone();
  const CalibrationValues& file = trace.calibration;
  drawBand(canvas, trace.window);
  cv::rectangle(canvas, trace.window, measureMarks::kWindow, 1, cv::LINE_8);
  drawCross(canvas, rounded({file.initialX + file.offsetX, file.initialY + file.offsetY}), 4,
            measureMarks::kReference);
  if (trace.region.spotWritten) drawCross(canvas, trace.spot, measureMarks::kSpotArm, measureMarks::kSpot);
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
