// Drawing of the characterization pictures (see characterizationPlots.h).
#include "characterizationPlots.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "output.h"
#include "plotPanel.h"

namespace talmeq::cli {
namespace {

const cv::Size kSize{900, 600};
const cv::Scalar kSample{0, 0, 220};   // red: measured samples
const cv::Scalar kFit{200, 80, 0};     // blue: fitted lines
const cv::Scalar kLimit{0, 140, 255};  // orange: thresholds
const cv::Scalar kPredicted{0, 150, 0};
constexpr int kLeft = 90, kRight = 30;

std::vector<double> sweepOf(const std::vector<CharacterizedRow>& rows, bool timed, bool measuredHeight) {
  std::vector<double> values;
  for (const CharacterizedRow& r : rows)
    if (r.sample.measured && r.sample.timed == timed)
      values.push_back(measuredHeight ? r.sample.height : timed ? r.sample.time / 60.0 : r.sample.trueHeight);
  return values;
}

}  // namespace

cv::Mat plotLinearity(const std::vector<CharacterizedRow>& rows, const StationCharacterization& c,
                      const CharacterizationThresholds& t) {
  cv::Mat canvas = plot::blankCanvas(kSize);
  if (!c.hasLine) {
    plot::label(canvas, "no line: fewer than two sweep heights measured", {kLeft, 60}, 0.7);
    return canvas;
  }
  const plot::Range x = plot::paddedRange(sweepOf(rows, false, false));
  const plot::Panel top(canvas, {kLeft, 60, kSize.width - kLeft - kRight, 290}, x,
                        plot::paddedRange(sweepOf(rows, false, true)));
  top.frame("", "measured height", 1, 2);
  for (const CharacterizedRow& r : rows)
    if (r.sample.measured && !r.sample.timed) top.disc(r.sample.trueHeight, r.sample.height, 2, kSample);
  top.line(x.low, c.slope * x.low + c.intercept, x.high, c.slope * x.high + c.intercept, kFit);
  std::vector<double> meanResiduals;
  for (const RepeatabilityAt& at : c.repeatabilityAt)
    meanResiduals.push_back(at.mean - (c.slope * at.trueHeight + c.intercept));
  std::vector<double> span = meanResiduals;
  span.insert(span.end(), {-t.maxResidual, t.maxResidual});
  const plot::Panel bottom(canvas, {kLeft, 400, kSize.width - kLeft - kRight, 140}, x, plot::paddedRange(span, 0.15));
  bottom.frame("true height (height units)", "residual of the mean", 1, 3);
  bottom.threshold(t.maxResidual, kLimit, "+" + fixed(t.maxResidual, 3));
  bottom.threshold(-t.maxResidual, kLimit, "-" + fixed(t.maxResidual, 3));
  bottom.line(x.low, 0.0, x.high, 0.0, kFit);
  for (std::size_t i = 0; i < meanResiduals.size(); ++i)
    bottom.disc(c.repeatabilityAt[i].trueHeight, meanResiduals[i], 4, kSample);
  plot::label(canvas,
              "measured = " + fixed(c.slope, 5) + " x true + " + fixed(c.intercept, 4) + ", r2 " + fixed(c.r2, 6) +
                  ", residual rms " + fixed(c.residualRms, 4),
              {kLeft, 25}, 0.5);
  return canvas;
}

cv::Mat plotRepeatability(const StationCharacterization& c, const CharacterizationThresholds& t) {
  cv::Mat canvas = plot::blankCanvas(kSize);
  std::vector<double> heights, spreads{0.0, t.maxRepeatability, c.predictedRepeatability};
  for (const RepeatabilityAt& at : c.repeatabilityAt) {
    heights.push_back(at.trueHeight);
    spreads.push_back(at.threeSigma);
  }
  const plot::Range y{0.0, plot::paddedRange(spreads, 0.1).high};
  const plot::Panel panel(canvas, {kLeft, 70, kSize.width - kLeft - kRight, 460}, plot::paddedRange(heights), y);
  panel.frame("true height (height units)", "+-3 sigma (height units)", 1, 4);
  panel.threshold(t.maxRepeatability, kLimit, "limit " + fixed(t.maxRepeatability, 3));
  if (c.predictedRepeatability > 0.0)
    panel.threshold(c.predictedRepeatability, kPredicted, "predicted " + fixed(c.predictedRepeatability, 4));
  for (const RepeatabilityAt& at : c.repeatabilityAt) {
    panel.line(at.trueHeight, 0.0, at.trueHeight, at.threeSigma, kSample, 3);
    panel.disc(at.trueHeight, at.threeSigma, 4, kSample);
  }
  plot::label(canvas,
              c.repeatabilityAt.empty() ? "repeatability not evaluated: no sweep height with enough repeats"
                                        : "repeatability per height: worst " + fixed(c.repeatability, 4) + ", pooled " +
                                              fixed(c.pooledRepeatability, 4),
              {kLeft, 25}, 0.5);
  return canvas;
}

cv::Mat plotStability(const std::vector<CharacterizedRow>& rows, const StationCharacterization& c,
                      const CharacterizationThresholds& t) {
  cv::Mat canvas = plot::blankCanvas(kSize);
  const std::vector<double> minutes = sweepOf(rows, true, false), heights = sweepOf(rows, true, true);
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
  const plot::Panel panel(canvas, {kLeft, 70, kSize.width - kLeft - kRight, 460}, plot::paddedRange(minutes),
                          plot::paddedRange(ys));
  panel.frame("time (minutes)", "measured height (height units)", 1, 4);
  for (std::size_t i = 0; i < heights.size(); ++i) panel.disc(minutes[i], heights[i], 4, kSample);
  panel.line(start, atStart, end, atStart + c.drift * (end - start), kFit, 2);
  panel.line(start, atStart, end, atStart + t.maxDrift * (end - start), kLimit);
  panel.line(start, atStart, end, atStart - t.maxDrift * (end - start), kLimit);
  const std::string drift = !c.hasDrift ? "drift not evaluated: too few rows or times"
                            : !c.driftResolved
                                ? "drift not resolved: the readings never change"
                                : "drift " + fixed(c.drift, 5) + " +- " + fixed(c.driftError, 5) + " per minute";
  plot::label(canvas, drift + " (limit " + fixed(t.maxDrift, 4) + " per minute, orange)", {kLeft, 25}, 0.5);
  return canvas;
}

std::vector<std::string> characterizationPlotPaths(const std::string& prefix) {
  // A prefix given as an image name (station.png) names the three images
  // station-linearity.png, ... in its format, not station.png-linearity.png.
  const std::filesystem::path given = std::filesystem::u8path(prefix);
  const std::string extension = given.extension().u8string();
  const bool imageName = !extension.empty() && given.has_stem() && cv::haveImageWriter("plot" + extension);
  const std::string stem = imageName ? prefix.substr(0, prefix.size() - extension.size()) : prefix;
  const std::string suffix = imageName ? extension : ".png";
  return {stem + "-linearity" + suffix, stem + "-repeatability" + suffix, stem + "-stability" + suffix};
}

}  // namespace talmeq::cli
