// Pictures drawn over an input image: what the spot detector and the
// height measurement saw, the precision layer's reading, a camera
// calibration view's corners and errors, and the coverage map.
#include <talmeq/annotations.h>
#include <talmeq/explanations.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <utility>

namespace talmeq {
namespace {

// The pictures draw coloured marks over a copy of the frame the records
// came from: a BGR image of 8 bits.
void requireColourImage(const cv::Mat& image, const char* call) {
  if (image.empty() || image.type() != CV_8UC3)
    CV_Error(cv::Error::StsBadArg, std::string(call) + ": the image must be a non-empty 8-bit BGR image (CV_8UC3)");
}

// Colours (BGR) and sizes of the marks of each picture.
namespace annotation {
const cv::Scalar kWindow{255, 255, 0};      // cyan: detection window
const cv::Scalar kTooSmall{160, 160, 160};  // grey: too small, dropped
const cv::Scalar kTooLarge{255, 0, 255};    // magenta: too large
const cv::Scalar kBadRatio{0, 165, 255};    // orange: too elongated
const cv::Scalar kNotRound{0, 255, 255};    // yellow: not round
const cv::Scalar kAccepted{0, 255, 0};      // green: passed every screen
const cv::Scalar kSpot{0, 0, 255};          // red cross: the chosen spot
const cv::Scalar kOutcome{255, 255, 255};   // white: the outcome line
constexpr int kSpotArm = 8;                 // half length of the cross at 640 x 480, pixels
}  // namespace annotation

namespace measureMarks {
const cv::Scalar kWindow{255, 255, 0};     // cyan: search window
const cv::Scalar kBand{0, 200, 0};         // green, blended: track band
const cv::Scalar kReference{255, 0, 255};  // magenta: reference point
const cv::Scalar kSpot{0, 0, 255};         // red cross: the spot
const cv::Scalar kOutcome{255, 255, 255};  // white: the outcome line
constexpr double kBandOpacity = 0.3;
constexpr int kSpotArm = 10;  // half length of the cross at 640 x 480, pixels
}  // namespace measureMarks

namespace preciseMarks {
const cv::Scalar kCentre{255, 160, 0};      // blue: the sub-pixel centre, its ellipse and text
const cv::Scalar kRunnerUp{255, 128, 255};  // pink: the runner-up of an ambiguous reading
constexpr double kUncertaintyScale = 100.0;
constexpr int kArmFrom = 4;  // the cross's arms run from this distance to the next, pixels
constexpr int kArmTo = 12;
}  // namespace preciseMarks

namespace cornerMarks {
const cv::Scalar kCorner{0, 255, 0};  // green circle: a detected point
const cv::Scalar kError{0, 0, 255};   // red line: towards the reprojected point, magnified
constexpr int kCornerRadius = 4;
constexpr double kMagnify = 20.0;
}  // namespace cornerMarks

constexpr double kReferenceSide = 480.0;
constexpr int kFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kFontScale = 0.45;
constexpr int kMargin = 6;

// The size of the marks and the text: they grow with the image, so that
// they stay visible on an 8000 x 6000 frame as on a 640 x 480 one, by one
// unit per 480 pixels of the image's shorter side, at least one.
class MarkScale {
 public:
  explicit MarkScale(cv::Size imageSize)
      : factor_(std::max(1.0, std::min(imageSize.width, imageSize.height) / kReferenceSide)) {}
  int thickness() const { return std::max(1, static_cast<int>(std::lround(factor_))); }    // line thickness, pixels
  int pixels(double base) const { return static_cast<int>(std::lround(base * factor_)); }  // a length at 640 x 480
  double font(double base) const { return base * factor_; }                                // a font scale at 640 x 480

 private:
  double factor_;
};

using TextLine = std::pair<std::string, cv::Scalar>;

// `text` broken at blanks into pieces no wider than `width` pixels (a
// single word wider than that stays whole).
std::vector<std::string> wrapped(const std::string& text, int width, double size, int thickness) {
  std::vector<std::string> pieces;
  std::string piece;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const std::string word = text.substr(start, end - start);
    const std::string longer = piece.empty() ? word : piece + " " + word;
    int baseline = 0;
    if (!piece.empty() && cv::getTextSize(longer, kFont, size, thickness, &baseline).width > width) {
      pieces.push_back(piece);
      piece = word;
    } else {
      piece = longer;
    }
    start = end + 1;
  }
  pieces.push_back(piece);
  return pieces;
}

// Writes `lines` from the top left, one under the other, each in its colour
// on a dark strip that keeps it readable on any background.
void drawTextLines(cv::Mat& canvas, const std::vector<TextLine>& lines, const MarkScale& scale) {
  const double size = scale.font(kFontScale);
  const int thickness = scale.thickness();
  int baseline = 0;
  const int lineHeight = cv::getTextSize("Ag", kFont, size, thickness, &baseline).height + baseline + scale.pixels(4);
  int y = scale.pixels(kMargin);
  const int width = canvas.cols - 2 * scale.pixels(kMargin);
  for (const auto& [text, colour] : lines) {
    for (const std::string& piece : wrapped(text, width, size, thickness)) {
      const cv::Size extent = cv::getTextSize(piece, kFont, size, thickness, &baseline);
      const cv::Rect strip(0, y, extent.width + 2 * scale.pixels(kMargin), lineHeight);
      canvas(strip & cv::Rect({0, 0}, canvas.size())).setTo(cv::Scalar::all(0));
      cv::putText(canvas, piece, {scale.pixels(kMargin), y + extent.height + scale.pixels(2)}, kFont, size, colour,
                  thickness, cv::LINE_AA);
      y += lineHeight;
    }
  }
}

// A cross of half length `arm` at `centre`.
void drawCross(cv::Mat& canvas, const cv::Point& centre, int arm, const cv::Scalar& colour, int thickness) {
  cv::line(canvas, centre - cv::Point(arm, 0), centre + cv::Point(arm, 0), colour, thickness, cv::LINE_8);
  cv::line(canvas, centre - cv::Point(0, arm), centre + cv::Point(0, arm), colour, thickness, cv::LINE_8);
}

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

cv::Point rounded(const cv::Point2d& p) {
  return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
}

void drawBand(cv::Mat& canvas, const cv::Rect& window) {
  cv::Mat overlay = canvas.clone();
  cv::line(overlay, window.tl(), window.tl() + cv::Point(window.width, window.height), measureMarks::kBand,
           kLocatorBandThickness, cv::LINE_8);
  cv::addWeighted(overlay, measureMarks::kBandOpacity, canvas, 1.0 - measureMarks::kBandOpacity, 0.0, canvas);
}

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

const cv::Scalar kEmptyCell{0, 0, 90};  // BGR: no view put a point here
const cv::Scalar kGridLine{90, 90, 90};
const cv::Scalar kPoint{255, 255, 0};

cv::Scalar cellShade(int count, int most) {
  if (count == 0) return kEmptyCell;
  const double share = static_cast<double>(count) / std::max(1, most);
  return {0, 80 + 175 * share, 40};
}

}  // namespace

cv::Mat annotateSpot(const cv::Mat& image, const SpotDetectionRecord& record, bool found, const cv::Point& spot,
                     const std::string& outcome) {
  requireColourImage(image, "annotateSpot");
  cv::Mat canvas = image.clone();
  const MarkScale scale(image.size());
  if (record.window.area() >= kRankedPixels) {
    cv::rectangle(canvas, record.window, annotation::kWindow, scale.thickness(), cv::LINE_8);
    for (const SpotCandidate& candidate : record.candidates)
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

cv::Mat annotateMeasurement(const cv::Mat& image, const HeightMeasurementRecord& record, const std::string& outcome) {
  requireColourImage(image, "annotateMeasurement");
  cv::Mat canvas = image.clone();
  const MarkScale scale(image.size());
  const CalibrationValues& file = record.calibration;
  drawBand(canvas, record.window);
  cv::rectangle(canvas, record.window, measureMarks::kWindow, scale.thickness(), cv::LINE_8);
  drawCross(canvas, rounded({file.initialX + file.offsetX, file.initialY + file.offsetY}), scale.pixels(4),
            measureMarks::kReference, scale.thickness());
  if (record.region.spotWritten)
    drawCross(canvas, record.spot, scale.pixels(measureMarks::kSpotArm), measureMarks::kSpot, scale.thickness());
  drawTextLines(canvas,
                {{outcome, measureMarks::kOutcome},
                 {"search window", measureMarks::kWindow},
                 {"track band", measureMarks::kBand},
                 {"reference point", measureMarks::kReference},
                 {"spot", measureMarks::kSpot}},
                scale);
  return canvas;
}

void drawPreciseSpot(cv::Mat& canvas, const SpotReading& r) {
  requireColourImage(canvas, "drawPreciseSpot");
  cv::putText(canvas, "blue x: sub-pixel centre, ellipse: its uncertainty x100", {6, canvas.rows - 8},
              cv::FONT_HERSHEY_SIMPLEX, 0.4, preciseMarks::kCentre, 1, cv::LINE_AA);
  if (!r.hasCentre()) return;
  const cv::Point c = fixedPoint(r.centre);
  for (const cv::Point2d& d : {cv::Point2d(1, 1), cv::Point2d(1, -1), cv::Point2d(-1, 1), cv::Point2d(-1, -1)})
    cv::line(canvas, fixedPoint(r.centre + d * preciseMarks::kArmFrom * kDiagonal),
             fixedPoint(r.centre + d * preciseMarks::kArmTo * kDiagonal), preciseMarks::kCentre, 1, cv::LINE_AA,
             kShift);
  drawUncertainty(canvas, c, r.covariance);
  const std::string text =
      "(" + decimalText(r.centre.x, 3) + ", " + decimalText(r.centre.y, 3) + ") +-" + decimalText(r.uncertainty, 3);
  cv::putText(canvas, text, cv::Point(r.centre) + cv::Point(preciseMarks::kArmTo + 2, -preciseMarks::kArmTo),
              cv::FONT_HERSHEY_SIMPLEX, 0.4, preciseMarks::kCentre, 1, cv::LINE_AA);
  if (r.status == SpotStatus::kAmbiguous)
    cv::circle(canvas, fixedPoint(r.runnerUpCentre), 10 << kShift, preciseMarks::kRunnerUp, 1, cv::LINE_AA, kShift);
}

cv::Mat annotateCorners(const cv::Mat& image, const ViewQuality& view, double rms) {
  requireColourImage(image, "annotateCorners");
  cv::Mat canvas = image.clone();
  const MarkScale scale(image.size());
  for (std::size_t i = 0; i < view.projected.size(); ++i) {
    const cv::Point2f tip = view.found2d[i] + cornerMarks::kMagnify * (view.projected[i] - view.found2d[i]);
    cv::line(canvas, view.found2d[i], tip, cornerMarks::kError, scale.thickness(), cv::LINE_AA);
  }
  for (const cv::Point2f& corner : view.found2d)
    cv::circle(canvas, corner, scale.pixels(cornerMarks::kCornerRadius), cornerMarks::kCorner, scale.thickness(),
               cv::LINE_8);
  drawTextLines(canvas,
                {{"detected corners; reprojection errors x" + decimalText(cornerMarks::kMagnify, 0) + " (rms " +
                      decimalText(rms, 3) + " px)",
                  cv::Scalar(255, 255, 255)}},
                scale);
  return canvas;
}

cv::Mat drawCoverageMap(const CameraCalibrationReport& r) {
  cv::Mat canvas(r.imageSize, CV_8UC3, cv::Scalar::all(0));
  const MarkScale scale(r.imageSize);
  double most = 0.0;
  cv::minMaxLoc(r.coverage, nullptr, &most);
  const double cellW = static_cast<double>(r.imageSize.width) / r.coverage.cols;
  const double cellH = static_cast<double>(r.imageSize.height) / r.coverage.rows;
  for (int y = 0; y < r.coverage.rows; ++y) {
    for (int x = 0; x < r.coverage.cols; ++x) {
      const cv::Point tl(cvRound(x * cellW), cvRound(y * cellH));
      const cv::Point br(cvRound((x + 1) * cellW) - 1, cvRound((y + 1) * cellH) - 1);
      const int count = r.coverage.at<int>(y, x);
      cv::rectangle(canvas, tl, br, cellShade(count, static_cast<int>(most)), cv::FILLED);
      cv::rectangle(canvas, tl, br, kGridLine, 1);
      cv::putText(canvas, std::to_string(count), tl + cv::Point(scale.pixels(6), scale.pixels(22)),
                  cv::FONT_HERSHEY_SIMPLEX, scale.font(0.6), cv::Scalar::all(255), scale.thickness(), cv::LINE_AA);
    }
  }
  for (const ViewQuality& view : r.views)
    if (view.used)
      for (const cv::Point2f& p : view.found2d) cv::circle(canvas, p, scale.pixels(1.5), kPoint, cv::FILLED);
  drawTextLines(canvas,
                {{"coverage: views with a point per cell; score " + decimalText(r.coverageScore, 2) + ", " +
                      decimalText(100.0 * r.coveredShare, 0) + " % of cells covered",
                  cv::Scalar(255, 255, 255)}},
                scale);
  return canvas;
}

}  // namespace talmeq
