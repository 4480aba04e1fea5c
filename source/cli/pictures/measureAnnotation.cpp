// Drawing of a height measurement (see measureAnnotation.h).
#include "measureAnnotation.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "annotationText.h"

namespace talmeq::cli {
namespace {

cv::Point rounded(const cv::Point2d& p) {
  return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
}

void drawBand(cv::Mat& canvas, const cv::Rect& window) {
  cv::Mat overlay = canvas.clone();
  cv::line(overlay, window.tl(), window.tl() + cv::Point(window.width, window.height), measureMarks::kBand,
           kLocatorBandThickness, cv::LINE_8);
  cv::addWeighted(overlay, measureMarks::kBandOpacity, canvas, 1.0 - measureMarks::kBandOpacity, 0.0, canvas);
}

}  // namespace

cv::Mat annotateMeasurement(const cv::Mat& image, const HeightMeasurementRecord& trace, const std::string& outcome) {
  cv::Mat canvas = image.clone();
  const MarkScale scale(image.size());
  const CalibrationValues& file = trace.calibration;
  drawBand(canvas, trace.window);
  cv::rectangle(canvas, trace.window, measureMarks::kWindow, scale.thickness(), cv::LINE_8);
  drawCross(canvas, rounded({file.initialX + file.offsetX, file.initialY + file.offsetY}), scale.pixels(4),
            measureMarks::kReference, scale.thickness());
  if (trace.region.spotWritten)
    drawCross(canvas, trace.spot, scale.pixels(measureMarks::kSpotArm), measureMarks::kSpot, scale.thickness());
  drawTextLines(canvas,
                {{outcome, measureMarks::kOutcome},
                 {"search window", measureMarks::kWindow},
                 {"track band", measureMarks::kBand},
                 {"reference point", measureMarks::kReference},
                 {"spot", measureMarks::kSpot}},
                scale);
  return canvas;
}

}  // namespace talmeq::cli
