// Draws the spot detector's window, screened candidates and spot, as the
// detector's trace records them.
#include "spotAnnotation.h"

#include <opencv2/imgproc.hpp>

#include "annotationText.h"

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

}  // namespace

cv::Mat annotateSpot(const cv::Mat& image, const spot::Trace& trace, bool found, const cv::Point& spot,
                     const std::string& outcome) {
  cv::Mat canvas = image.clone();
  const MarkScale scale(image.size());
  if (trace.window.area() >= spot::kRankedPixels) {
    cv::rectangle(canvas, trace.window, annotation::kWindow, scale.thickness(), cv::LINE_8);
    for (const spot::Candidate& candidate : trace.candidates)
      cv::drawContours(canvas, spot::Contours{candidate.contour}, 0, screenColour(candidate.screen),
                       scale.thickness(), cv::LINE_8);
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
