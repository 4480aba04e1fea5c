// Draws the spot detector's window, screened candidates and spot. The
// candidates come from re-running the detector's stages on the tool's side
// (spotCandidates.h), so the picture shows what the detector screened.
#include "spotAnnotation.h"

#include <opencv2/imgproc.hpp>

#include <utility>

#include "spotCandidates.h"

namespace talmeq::cli {
namespace {

namespace candidates = spotCandidates;

const cv::Scalar& verdictColour(candidates::Verdict verdict) {
  switch (verdict) {
    case candidates::Verdict::kTooSmall: return annotation::kTooSmall;
    case candidates::Verdict::kTooLarge: return annotation::kTooLarge;
    case candidates::Verdict::kBadRatio: return annotation::kBadRatio;
    case candidates::Verdict::kNotRound: return annotation::kNotRound;
    case candidates::Verdict::kAccepted: break;
  }
  return annotation::kAccepted;
}

void drawCandidates(cv::Mat& canvas, const cv::Mat& image, const cv::Rect& window) {
  for (const candidates::Candidate& candidate : candidates::screenedCandidates(image, window)) {
    const candidates::Contours one{candidate.contour};
    cv::drawContours(canvas, one, 0, verdictColour(candidate.verdict), 1, cv::LINE_8);
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
  const cv::Rect window = candidates::spotWindow(image.cols, image.rows);
  const bool usable = window.area() >= candidates::kRankedPixels;
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
