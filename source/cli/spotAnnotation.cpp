// Draws the spot detector's window, screened candidates and spot, as the
// detector's trace records them.
#include "spotAnnotation.h"

#include <opencv2/imgproc.hpp>

#include <utility>


namespace talmeq::cli {
namespace {

const cv::Scalar& screenColour(spot::Screen screen) {
  switch (screen) {
    case spot::Screen::kTooSmall: return annotation::kTooSmall;
    case spot::Screen::kTooLarge: return annotation::kTooLarge;
    case spot::Screen::kBadRatio: return annotation::kBadRatio;
    case spot::Screen::kNotRound: return annotation::kNotRound;
    case spot::Screen::kAccepted: break;
  }
  return annotation::kAccepted;
}

void drawCandidates(cv::Mat& canvas, const spot::Trace& trace) {
  for (const spot::Candidate& candidate : trace.candidates)
    cv::drawContours(canvas, spot::Contours{candidate.contour}, 0, screenColour(candidate.screen), 1, cv::LINE_8);
}

void drawLegend(cv::Mat& canvas) {
  const std::pair<const char*, const cv::Scalar*> entries[] = {
      {"window", &annotation::kWindow},          {"area < 5", &annotation::kTooSmall},
      {"area >= 300", &annotation::kTooLarge},   {"ratio outside (0.3, 3)", &annotation::kBadRatio},
      {"circularity <= 0.5", &annotation::kNotRound},   {"accepted", &annotation::kAccepted},
      {"spot", &annotation::kSpot}};
  int y = 14;
  for (const auto& [label, colour] : entries) {
    cv::putText(canvas, label, {6, y}, cv::FONT_HERSHEY_SIMPLEX, 0.4, *colour, 1, cv::LINE_AA);
    y += 14;
  }
}

}  // namespace

cv::Mat annotateSpot(const cv::Mat& image, const spot::Trace& trace, bool found, const cv::Point& spot) {
  cv::Mat canvas = image.clone();
  if (trace.window.area() >= spot::kRankedPixels) {
    cv::rectangle(canvas, trace.window, annotation::kWindow, 1, cv::LINE_8);
    drawCandidates(canvas, trace);
  }
  if (found) {
    const int arm = annotation::kSpotArm;
    cv::line(canvas, spot - cv::Point(arm, 0), spot + cv::Point(arm, 0), annotation::kSpot, 1, cv::LINE_8);
    cv::line(canvas, spot - cv::Point(0, arm), spot + cv::Point(0, arm), annotation::kSpot, 1, cv::LINE_8);
  }
  drawLegend(canvas);
  return canvas;
}

}  // namespace talmeq::cli
