// Draws the spot detector's window, screened candidates and spot, as the
// detector's trace records them.
#include "spotAnnotation.h"

#include <opencv2/imgproc.hpp>

#include "annotationText.h"

namespace talmeq::cli {
namespace {

const cv::Scalar& screenColour(CandidateScreen screen) {
  switch (screen) {
    case CandidateScreen::kTooSmall:
      return annotation::kTooSmall;
    case CandidateScreen::kTooLarge:
      return annotation::kTooLarge;
    case CandidateScreen::kBadRatio:
      return annotation::kBadRatio;
    case CandidateScreen::kNotRound:
      return annotation::kNotRound;
    case CandidateScreen::kAccepted:
      break;
  }
  return annotation::kAccepted;
}

}  // namespace

cv::Mat annotateSpot(const cv::Mat& image, const SpotDetectionRecord& trace, bool found, const cv::Point& spot,
                     const std::string& outcome) {
  cv::Mat canvas = image.clone();
  const MarkScale scale(image.size());
  if (trace.window.area() >= kRankedPixels) {
    cv::rectangle(canvas, trace.window, annotation::kWindow, scale.thickness(), cv::LINE_8);
    for (const SpotCandidate& candidate : trace.candidates)
      cv::drawContours(canvas, std::vector<std::vector<cv::Point>>{candidate.contour}, 0,
                       screenColour(candidate.screen), scale.thickness(), cv::LINE_8);
  }
  if (found) drawCross(canvas, spot, scale.pixels(annotation::kSpotArm), annotation::kSpot, scale.thickness());
  drawTextLines(canvas,
                {{outcome, annotation::kOutcome},
                 {"window", annotation::kWindow},
                 {"too small", annotation::kTooSmall},
                 {"too large", annotation::kTooLarge},
                 {"too elongated", annotation::kBadRatio},
                 {"not round", annotation::kNotRound},
                 {"accepted", annotation::kAccepted},
                 {"spot", annotation::kSpot}},
                scale);
  return canvas;
}

}  // namespace talmeq::cli
