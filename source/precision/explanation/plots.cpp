// The plots: a plot area on a white canvas, with its frame, grid,
// tick labels and axis titles and the marks the plots are made of (points,
// lines, dashed threshold lines); the height calibration plot and the
// station characterization's three pictures drawn with it.
#include <talmeq/explanations.h>
#include <talmeq/plots.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace talmeq {
namespace plot {

const cv::Size kSize{900, 600};
const cv::Scalar kInk{0, 0, 0};
const cv::Scalar kGrid{225, 225, 225};

struct Range {
  double low = 0.0, high = 1.0;
};

constexpr int kTicks = 5;
constexpr int kDash = 8;  // pixels of a dash and of its gap

// The range of `values` widened by `pad` of its span on each side (a span
// of 1 around a single value); {0, 1} for none.
Range paddedRange(const std::vector<double>& values, double pad = 0.08) {
  if (values.empty()) return {};
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  const double span = *high - *low > 0.0 ? *high - *low : 1.0;
  return {*low - pad * span, *high + pad * span};
}

// A white canvas of `size`, 8-bit BGR.
cv::Mat blankCanvas(cv::Size size) { return cv::Mat(size, CV_8UC3, cv::Scalar(255, 255, 255)); }

// Text in ink (or `colour`) with its baseline starting at `at`.
void label(cv::Mat& canvas, const std::string& text, cv::Point at, double size = 0.45,
           const cv::Scalar& colour = kInk) {
  cv::putText(canvas, text, at, cv::FONT_HERSHEY_SIMPLEX, size, colour, 1, cv::LINE_AA);
}

// A plot area: a data range mapped onto a rectangle of the canvas.
class Panel {
 public:
  Panel(cv::Mat& canvas, cv::Rect area, Range x, Range y) : canvas_(canvas), area_(area), x_(x), y_(y) {}
  const cv::Rect& area() const { return area_; }
  const Range& x() const { return x_; }
  const Range& y() const { return y_; }

  cv::Point at(double x, double y) const {
    return {area_.x + static_cast<int>(std::lround((x - x_.low) / (x_.high - x_.low) * area_.width)),
            area_.y + area_.height - static_cast<int>(std::lround((y - y_.low) / (y_.high - y_.low) * area_.height))};
  }

  // Grid, frame, five ticks per axis with labels of the given decimals, the
  // x title under the frame and the y title above its top left corner.
  void frame(const std::string& xTitle, const std::string& yTitle, int xDecimals, int yDecimals) const {
    for (int i = 0; i <= kTicks; ++i) {
      const double x = x_.low + (x_.high - x_.low) * i / kTicks;
      const double y = y_.low + (y_.high - y_.low) * i / kTicks;
      const cv::Point onX = at(x, y_.low), onY = at(x_.low, y);
      cv::line(canvas_, onX, {onX.x, area_.y}, kGrid);
      cv::line(canvas_, onY, {area_.x + area_.width, onY.y}, kGrid);
      label(canvas_, decimalText(x, xDecimals), {onX.x - 18, onX.y + 18});
      label(canvas_, decimalText(y, yDecimals), {onY.x - 62, onY.y + 5});
    }
    cv::rectangle(canvas_, area_, kInk);
    label(canvas_, xTitle, {area_.x + area_.width / 2 - 4 * static_cast<int>(xTitle.size()), area_.br().y + 40}, 0.5);
    label(canvas_, yTitle, {std::max(4, area_.x - 70), area_.y - 10}, 0.5);
  }

  void line(double x0, double y0, double x1, double y1, const cv::Scalar& colour, int thickness = 1) const {
    cv::line(canvas_, at(x0, y0), at(x1, y1), colour, thickness, cv::LINE_AA);
  }

  void disc(double x, double y, int radius, const cv::Scalar& colour) const {
    cv::circle(canvas_, at(x, y), radius, colour, cv::FILLED, cv::LINE_AA);
  }

  // A dashed horizontal line across the panel at `y`, named at its right end.
  void threshold(double y, const cv::Scalar& colour, const std::string& name) const {
    if (y < y_.low || y > y_.high) return;
    const int row = at(x_.low, y).y;
    for (int x = area_.x; x < area_.br().x; x += 2 * kDash)
      cv::line(canvas_, {x, row}, {std::min(x + kDash, area_.br().x), row}, colour, 1);
    label(canvas_, name, {area_.br().x - 8 * static_cast<int>(name.size()), row - 4}, 0.4, colour);
  }

 private:
  cv::Mat& canvas_;
  cv::Rect area_;
  Range x_, y_;
};

const cv::Scalar kPoint{0, 0, 255};    // red discs: the calibration points
const cv::Scalar kLine{255, 0, 0};     // blue: the fitted line
const cv::Scalar kError{0, 140, 255};  // orange bars: the errors, magnified
constexpr int kPointRadius = 5;

}  // namespace plot

namespace {

constexpr int kFitLeft = 80, kFitRight = 30, kTop = 50, kBottom = 60;  // margins of the calibration plot, pixels
constexpr double kLargestBar = 60.0;                                   // pixels of the largest error bar

// One calibration point as the plot draws it.
struct FittedPoint {
  double height, displacement, fitted, error;
};

std::vector<FittedPoint> fittedPoints(const std::vector<double>& heights, const LinearFitPreview& fit) {
  CV_CheckEQ(heights.size(), fit.displacements.size(), "plotCalibration: as many displacements as heights");
  CV_CheckGT(heights.size(), std::size_t{0}, "plotCalibration: no point to plot");
  std::vector<FittedPoint> points;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const double fitted = fit.values.k * fit.displacements[i] + fit.values.b;
    points.push_back({heights[i], fit.displacements[i], fitted, fitted - heights[i]});
  }
  return points;
}

plot::Panel panelFor(cv::Mat& canvas, const std::vector<FittedPoint>& points) {
  std::vector<double> xs, ys;
  for (const FittedPoint& p : points) {
    xs.push_back(p.displacement);
    ys.push_back(p.height);
    ys.push_back(p.fitted);
  }
  const cv::Rect area{kFitLeft, kTop, plot::kSize.width - kFitLeft - kFitRight, plot::kSize.height - kTop - kBottom};
  return plot::Panel(canvas, area, plot::paddedRange(xs), plot::paddedRange(ys));
}

const cv::Scalar kSample{0, 0, 220};   // red: measured samples
const cv::Scalar kFit{200, 80, 0};     // blue: fitted lines
const cv::Scalar kLimit{0, 140, 255};  // orange: thresholds
const cv::Scalar kPredicted{0, 150, 0};
constexpr int kLeft = 90, kRight = 30;  // margins of the characterization plots, pixels

std::vector<double> sweepOf(const std::vector<HeightSample>& samples, bool timed, bool measuredHeight) {
  std::vector<double> values;
  for (const HeightSample& s : samples)
    if (s.measured && s.timed == timed)
      values.push_back(measuredHeight ? s.height : timed ? s.time / 60.0 : s.trueHeight);
  return values;
}

}  // namespace

cv::Mat plotCalibration(const std::vector<double>& heights, const LinearFitPreview& fit) {
  cv::Mat canvas = plot::blankCanvas(plot::kSize);
  const std::vector<FittedPoint> points = fittedPoints(heights, fit);
  const plot::Panel panel = panelFor(canvas, points);
  panel.frame("projected displacement", "height", 2, 1);
  const auto fitted = [&](double v) { return fit.values.k * v + fit.values.b; };
  cv::line(canvas, panel.at(panel.x().low, fitted(panel.x().low)), panel.at(panel.x().high, fitted(panel.x().high)),
           plot::kLine, 1, cv::LINE_8);
  double largest = 0.0, sum = 0.0;
  for (const FittedPoint& p : points) {
    largest = std::max(largest, std::fabs(p.error));
    sum += std::fabs(p.error);
  }
  const double pixelsPerHeight = panel.area().height / (panel.y().high - panel.y().low);
  const double magnify = largest > 0.0 ? std::max(1.0, std::floor(kLargestBar / (largest * pixelsPerHeight))) : 1.0;
  for (const FittedPoint& p : points) {
    const cv::Point onLine = panel.at(p.displacement, p.fitted);
    const double bar = (p.height - p.fitted) * magnify;
    cv::line(canvas, onLine, panel.at(p.displacement, p.fitted + bar), plot::kError, 3, cv::LINE_8);
    plot::label(canvas, decimalText(p.error, 4), panel.at(p.displacement, p.height) + cv::Point(10, 18), 0.4);
  }
  for (const FittedPoint& p : points)
    cv::circle(canvas, panel.at(p.displacement, p.height), plot::kPointRadius, plot::kPoint, cv::FILLED, cv::LINE_8);
  plot::label(canvas,
              "k = " + decimalText(fit.values.k, 6) + ", b = " + decimalText(fit.values.b, 6) + ", average error " +
                  decimalText(sum / static_cast<double>(points.size()), 4) + ", error bars x" + decimalText(magnify, 0),
              {kFitLeft, kTop - 15}, 0.5);
  return canvas;
}

cv::Mat plotLinearity(const std::vector<HeightSample>& samples, const StationCharacterization& c,
                      const CharacterizationThresholds& t) {
  cv::Mat canvas = plot::blankCanvas(plot::kSize);
  if (!c.hasLine) {
    plot::label(canvas, "no line: fewer than two sweep heights measured", {kLeft, 60}, 0.7);
    return canvas;
  }
  const plot::Range x = plot::paddedRange(sweepOf(samples, false, false));
  const plot::Panel top(canvas, {kLeft, 60, plot::kSize.width - kLeft - kRight, 290}, x,
                        plot::paddedRange(sweepOf(samples, false, true)));
  top.frame("", "measured height", 1, 2);
  for (const HeightSample& s : samples)
    if (s.measured && !s.timed) top.disc(s.trueHeight, s.height, 2, kSample);
  top.line(x.low, c.slope * x.low + c.intercept, x.high, c.slope * x.high + c.intercept, kFit);
  std::vector<double> meanResiduals;
  for (const RepeatabilityAt& at : c.repeatabilityAt)
    meanResiduals.push_back(at.mean - (c.slope * at.trueHeight + c.intercept));
  std::vector<double> span = meanResiduals;
  span.insert(span.end(), {-t.maxResidual, t.maxResidual});
  const plot::Panel bottom(canvas, {kLeft, 400, plot::kSize.width - kLeft - kRight, 140}, x,
                           plot::paddedRange(span, 0.15));
  bottom.frame("true height (height units)", "residual of the mean", 1, 3);
  bottom.threshold(t.maxResidual, kLimit, "+" + decimalText(t.maxResidual, 3));
  bottom.threshold(-t.maxResidual, kLimit, "-" + decimalText(t.maxResidual, 3));
  bottom.line(x.low, 0.0, x.high, 0.0, kFit);
  for (std::size_t i = 0; i < meanResiduals.size(); ++i)
    bottom.disc(c.repeatabilityAt[i].trueHeight, meanResiduals[i], 4, kSample);
  plot::label(canvas,
              "measured = " + decimalText(c.slope, 5) + " x true + " + decimalText(c.intercept, 4) + ", r2 " +
                  decimalText(c.r2, 6) + ", residual rms " + decimalText(c.residualRms, 4),
              {kLeft, 25}, 0.5);
  return canvas;
}

cv::Mat plotRepeatability(const StationCharacterization& c, const CharacterizationThresholds& t) {
  cv::Mat canvas = plot::blankCanvas(plot::kSize);
  std::vector<double> heights, spreads{0.0, t.maxRepeatability, c.predictedRepeatability};
  for (const RepeatabilityAt& at : c.repeatabilityAt) {
    heights.push_back(at.trueHeight);
    spreads.push_back(at.threeSigma);
  }
  const plot::Range y{0.0, plot::paddedRange(spreads, 0.1).high};
  const plot::Panel panel(canvas, {kLeft, 70, plot::kSize.width - kLeft - kRight, 460}, plot::paddedRange(heights), y);
  panel.frame("true height (height units)", "+-3 sigma (height units)", 1, 4);
  panel.threshold(t.maxRepeatability, kLimit, "limit " + decimalText(t.maxRepeatability, 3));
  if (c.predictedRepeatability > 0.0)
    panel.threshold(c.predictedRepeatability, kPredicted, "predicted " + decimalText(c.predictedRepeatability, 4));
  for (const RepeatabilityAt& at : c.repeatabilityAt) {
    panel.line(at.trueHeight, 0.0, at.trueHeight, at.threeSigma, kSample, 3);
    panel.disc(at.trueHeight, at.threeSigma, 4, kSample);
  }
  plot::label(canvas,
              c.repeatabilityAt.empty() ? "repeatability not evaluated: no sweep height with enough repeats"
                                        : "repeatability per height: worst " + decimalText(c.repeatability, 4) +
                                              ", pooled " + decimalText(c.pooledRepeatability, 4),
              {kLeft, 25}, 0.5);
  return canvas;
}

cv::Mat plotStability(const std::vector<HeightSample>& samples, const StationCharacterization& c,
                      const CharacterizationThresholds& t) {
  cv::Mat canvas = plot::blankCanvas(plot::kSize);
  const std::vector<double> minutes = sweepOf(samples, true, false), heights = sweepOf(samples, true, true);
  if (minutes.empty()) {
    plot::label(canvas, "no stability series (rows with a time)", {kLeft, 60}, 0.7);
    return canvas;
  }
  const double start = *std::min_element(minutes.begin(), minutes.end());
  const double end = *std::max_element(minutes.begin(), minutes.end());
  double mean = 0.0, meanTime = 0.0;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    mean += heights[i] / static_cast<double>(heights.size());
    meanTime += minutes[i] / static_cast<double>(heights.size());
  }
  const double atStart = mean - c.drift * (meanTime - start);
  std::vector<double> ys = heights;
  ys.push_back(atStart + t.maxDrift * (end - start));
  ys.push_back(atStart - t.maxDrift * (end - start));
  const plot::Panel panel(canvas, {kLeft, 70, plot::kSize.width - kLeft - kRight, 460}, plot::paddedRange(minutes),
                          plot::paddedRange(ys));
  panel.frame("time (minutes)", "measured height (height units)", 1, 4);
  for (std::size_t i = 0; i < heights.size(); ++i) panel.disc(minutes[i], heights[i], 4, kSample);
  panel.line(start, atStart, end, atStart + c.drift * (end - start), kFit, 2);
  panel.line(start, atStart, end, atStart + t.maxDrift * (end - start), kLimit);
  panel.line(start, atStart, end, atStart - t.maxDrift * (end - start), kLimit);
  const std::string drift =
      !c.hasDrift        ? "drift not evaluated: too few rows or times"
      : !c.driftResolved ? "drift not resolved: the readings never change"
                         : "drift " + decimalText(c.drift, 5) + " +- " + decimalText(c.driftError, 5) + " per minute";
  plot::label(canvas, drift + " (limit " + decimalText(t.maxDrift, 4) + " per minute, orange)", {kLeft, 25}, 0.5);
  return canvas;
}

}  // namespace talmeq
