// Draws the spot detector's window, screened candidates and spot. The
// candidates come from re-running the detector's own stages (spotStages.h),
// so the picture shows exactly what the detector screened.
#include "spotAnnotation.h"

#include <opencv2/imgproc.hpp>

#include <utility>

#include "spotStages.h"

namespace talmeq::cli {
namespace {

const cv::Scalar& verdictColour(spot::Verdict verdict) {
  switch (verdict) {
    case spot::Verdict::kTooSmall: return annotation::kTooSmall;
    case spot::Verdict::kTooLarge: return annotation::kTooLarge;
    case spot::Verdict::kBadRatio: return annotation::kBadRatio;
    case spot::Verdict::kNotRound: return annotation::kNotRound;
    case spot::Verdict::kAccepted: break;
  }
  return annotation::kAccepted;
}

void drawCandidates(cv::Mat& canvas, const cv::Mat& image, const cv::Rect& window) {
  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  const int thr = spot::rankThreshold(grey(window));
  spot::Contours contours;
  cv::findContours(spot::spotForeground(image, grey, thr, window), contours, cv::RETR_LIST,
                   cv::CHAIN_APPROX_SIMPLE);
  for (std::size_t i = 0; i < contours.size(); ++i) {
    const cv::Scalar& colour = verdictColour(spot::screenContour(contours[i]).verdict);
    cv::drawContours(canvas, contours, static_cast<int>(i), colour, 1, cv::LINE_8);
  }
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

cv::Mat annotateSpot(const cv::Mat& image, bool found, const cv::Point& spot) {
  cv::Mat canvas = image.clone();
  const cv::Rect window = spot::spotWindow(image.cols, image.rows);
  const bool usable = window.area() >= spot::kRankedPixels;
  if (usable) {
    cv::rectangle(canvas, window, annotation::kWindow, 1, cv::LINE_8);
    drawCandidates(canvas, image, window);
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
