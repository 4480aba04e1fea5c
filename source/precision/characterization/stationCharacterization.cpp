// Linearity, repeatability and drift of a height station (see
// stationCharacterization.h).
#include <talmeq/stationCharacterization.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <opencv2/core.hpp>
#include <set>
#include <sstream>

namespace talmeq::detail {
namespace {

constexpr double kSecondsPerMinute = 60.0;
constexpr double kNotEvaluated = std::numeric_limits<double>::quiet_NaN();

// Least-squares line y = slope * x + intercept, with the standard error of
// the slope; needs two distinct x.
struct Line {
  double slope = 0.0, intercept = 0.0, slopeError = 0.0, r2 = 0.0;
};

Line fitLine(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  double mx = 0.0, my = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    mx += x[i];
    my += y[i];
  }
  mx /= n;
  my /= n;
  double sxx = 0.0, sxy = 0.0, syy = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sxx += (x[i] - mx) * (x[i] - mx);
    sxy += (x[i] - mx) * (y[i] - my);
    syy += (y[i] - my) * (y[i] - my);
  }
  Line line;
  line.slope = sxy / sxx;
  line.intercept = my - line.slope * mx;
  double residuals = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) residuals += std::pow(y[i] - line.slope * x[i] - line.intercept, 2);
  line.r2 = syy > 0.0 ? 1.0 - residuals / syy : 1.0;
  line.slopeError = x.size() > 2 ? std::sqrt(residuals / (n - 2.0) / sxx) : 0.0;
  return line;
}

bool inSweep(const HeightSample& s) { return s.measured && !s.timed; }

// The mean measured height at each true height of the sweep (measured
// samples only), and whether the height had a failed sample.
struct HeightGroup {
  double sum = 0.0;
  int count = 0;
  bool failed = false;
};

std::map<double, HeightGroup> sweepGroups(const std::vector<HeightSample>& samples) {
  std::map<double, HeightGroup> groups;
  for (const HeightSample& s : samples) {
    if (s.timed) continue;
    HeightGroup& g = groups[s.trueHeight];
    g.failed = g.failed || !s.measured;
    if (s.measured) {
      g.sum += s.height;
      ++g.count;
    }
  }
  return groups;
}

// Linearity from the heights' means, so that repeatability noise does not
// count as non-linearity; the usable range is the widest run of consecutive
// sweep heights whose mean lies within the tolerance of the line and that
// lost no sample.
void linearity(const std::vector<HeightSample>& samples, double tolerance, StationCharacterization& c) {
  double squares = 0.0, bestWidth = -1.0;
  int counted = 0;
  bool runOpen = false;
  double runLow = 0.0;
  for (const auto& [height, group] : sweepGroups(samples)) {
    bool within = false;
    if (group.count > 0) {
      const double residual = group.sum / group.count - (c.slope * height + c.intercept);
      squares += residual * residual;
      ++counted;
      c.residualMax = std::max(c.residualMax, std::fabs(residual));
      within = !group.failed && std::fabs(residual) <= tolerance;
    }
    if (!within) {
      runOpen = false;
      continue;
    }
    if (!runOpen) runLow = height;
    runOpen = true;
    if (height - runLow > bestWidth) {
      bestWidth = height - runLow;
      c.hasUsableRange = true;
      c.usableLow = runLow;
      c.usableHigh = height;
    }
  }
  c.residualRms = counted > 0 ? std::sqrt(squares / counted) : 0.0;
}

void repeatability(const std::vector<HeightSample>& samples, int minRepeats, StationCharacterization& c) {
  std::map<double, std::vector<const HeightSample*>> atHeight;
  for (const HeightSample& s : samples)
    if (inSweep(s)) atHeight[s.trueHeight].push_back(&s);
  double pooledSquares = 0.0, predictedSquares = 0.0;
  int pooledDegrees = 0, predictedCount = 0;
  for (const auto& [height, group] : atHeight) {
    if (static_cast<int>(group.size()) < minRepeats) continue;
    double mean = 0.0;
    for (const HeightSample* s : group) mean += s->height / static_cast<double>(group.size());
    double squares = 0.0;
    for (const HeightSample* s : group) {
      squares += std::pow(s->height - mean, 2);
      predictedSquares += s->uncertainty * s->uncertainty;
      ++predictedCount;
    }
    pooledSquares += squares;
    pooledDegrees += static_cast<int>(group.size()) - 1;
    const double threeSigma = 3.0 * std::sqrt(squares / static_cast<double>(group.size() - 1));
    c.repeatabilityAt.push_back({height, static_cast<int>(group.size()), mean, threeSigma});
    c.repeatability = std::max(c.repeatability, threeSigma);
  }
  if (pooledDegrees > 0) c.pooledRepeatability = 3.0 * std::sqrt(pooledSquares / pooledDegrees);
  if (predictedCount > 0) c.predictedRepeatability = 3.0 * std::sqrt(predictedSquares / predictedCount);
}

// The stability series: its height, the drift line over time and the
// scatter about it. Readings that never change leave the drift unresolved,
// bounded by one height step over the series' span.
void drift(const std::vector<HeightSample>& samples, StationCharacterization& c) {
  std::vector<double> minutes, heights;
  double trueSum = 0.0, step = 0.0;
  for (const HeightSample& s : samples) {
    if (!s.measured || !s.timed) continue;
    minutes.push_back(s.time / kSecondsPerMinute);
    heights.push_back(s.height);
    trueSum += s.trueHeight;
    step = std::max(step, s.step);
  }
  c.stabilitySamples = static_cast<int>(minutes.size());
  if (minutes.empty()) return;
  c.stabilityHeight = trueSum / static_cast<double>(minutes.size());
  const auto [earliest, latest] = std::minmax_element(minutes.begin(), minutes.end());
  if (minutes.size() < 3 || *latest == *earliest) return;
  const Line line = fitLine(minutes, heights);
  c.hasDrift = true;
  c.drift = line.slope;
  c.driftError = line.slopeError;
  double squares = 0.0;
  for (std::size_t i = 0; i < minutes.size(); ++i)
    squares += std::pow(heights[i] - line.slope * minutes[i] - line.intercept, 2);
  c.stabilityThreeSigma = 3.0 * std::sqrt(squares / static_cast<double>(minutes.size() - 2));
  c.driftResolved =
      *std::max_element(heights.begin(), heights.end()) != *std::min_element(heights.begin(), heights.end());
  if (c.driftResolved) return;
  c.stabilityThreeSigma = 0.0;  // the readings are all one value: only rounding is left about the line
  c.driftLimit = step > 0.0 ? step / (*latest - *earliest) : kNotEvaluated;
}

// Samples whose frame repeats an earlier sample's; -1 when no sample names its frame.
int repeatedFrames(const std::vector<HeightSample>& samples) {
  std::set<std::uint64_t> seen;
  int repeated = 0;
  for (const HeightSample& s : samples)
    if (s.frame != 0 && !seen.insert(s.frame).second) ++repeated;
  return seen.empty() ? -1 : repeated;
}

std::string text(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

// Why the drift check could not be judged, or "" when it could.
std::string driftUnjudged(const StationCharacterization& c, const CharacterizationThresholds& t) {
  if (c.stabilitySamples == 0) return "no stability series";
  if (!c.hasDrift) return "needs 3 timed rows at 2 times";
  if (c.driftResolved) return "";
  if (std::isnan(c.driftLimit)) return "the readings never change and their height step is unknown";
  if (c.driftLimit > t.maxDrift)
    return "the readings never change; one height step over the series is " + text(c.driftLimit) + " per minute";
  return "";
}

// Each check with its rule; one the samples cannot give says why in its
// rule, with the value NaN.
std::vector<VerdictCheck> checks(const StationCharacterization& c, const CharacterizationThresholds& t) {
  std::vector<VerdictCheck> list;
  const auto check = [&](const char* name, const std::string& rule, double threshold, double value, bool passed,
                         const std::string& unjudged) {
    if (unjudged.empty())
      list.push_back({name, rule, threshold, value, passed});
    else
      list.push_back({name, rule + " (not evaluated: " + unjudged + ")", threshold, kNotEvaluated, false, false});
  };
  const auto atMost = [&](const char* name, const std::string& rule, double threshold, double value,
                          const std::string& unjudged) {
    check(name, rule + " <= " + text(threshold), threshold, value, value <= threshold, unjudged);
  };
  const std::string noLine = c.hasLine ? "" : "needs 2 sweep heights";
  const std::string noLinearity = c.hasLinearity ? "" : "needs 3 sweep heights";
  atMost("linearity", "largest distance of a height's mean from the fitted line", t.maxResidual, c.residualMax,
         noLinearity);
  check("r2", "r2 >= " + text(t.minR2), t.minR2, c.r2, c.r2 >= t.minR2, noLinearity);
  atMost("slope", "|slope - 1|", t.maxSlopeError, std::fabs(c.slope - 1.0), noLine);
  atMost("offset", "|intercept|", t.maxOffset, std::fabs(c.intercept), noLine);
  atMost("repeatability", "worst +-3 sigma at a height", t.maxRepeatability, c.repeatability,
         c.repeatabilityAt.empty() ? "no sweep height with " + text(t.minRepeats) + " repeats" : "");
  if (c.hasDrift && !c.driftResolved)
    atMost("drift", "|drift| per minute, below one height step over the series (the readings never change)", t.maxDrift,
           c.driftLimit, driftUnjudged(c, t));
  else
    atMost("drift", "|drift| per minute", t.maxDrift, std::fabs(c.drift), driftUnjudged(c, t));
  atMost("repeated frames", "rows whose frame repeats an earlier row's", 0.0, c.repeatedFrames,
         c.repeatedFrames < 0 ? "no sample names its frame" : "");
  atMost("failed rows", "rows without a height", t.maxFailedRows, c.failedRows, "");
  return list;
}

// Every evaluated check passed, and a figure of the station was judged.
bool passes(const std::vector<VerdictCheck>& list) {
  const auto figure = [](const VerdictCheck& check) {
    return check.evaluated && check.name != "repeated frames" && check.name != "failed rows";
  };
  return std::any_of(list.begin(), list.end(), figure) &&
         std::all_of(list.begin(), list.end(),
                     [](const VerdictCheck& check) { return check.passed || !check.evaluated; });
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

StationCharacterization characterizeStation(const std::vector<HeightSample>& samples,
                                            const CharacterizationThresholds& thresholds) {
  if (std::none_of(samples.begin(), samples.end(), [](const HeightSample& s) { return s.measured; }))
    CV_Error(cv::Error::StsBadArg, "characterization needs at least one measured height");
  std::vector<double> truth, measured;
  for (const HeightSample& s : samples)
    if (detail::inSweep(s)) {
      truth.push_back(s.trueHeight);
      measured.push_back(s.height);
    }
  StationCharacterization c;
  const std::size_t heights = std::set<double>(truth.begin(), truth.end()).size();
  c.hasLine = heights >= 2;
  c.hasLinearity = heights >= 3;
  c.residuals.assign(samples.size(), 0.0);
  for (const HeightSample& s : samples) c.failedRows += s.measured ? 0 : 1;
  if (c.hasLine) {
    const detail::Line line = detail::fitLine(truth, measured);
    c.slope = line.slope;
    c.intercept = line.intercept;
    c.r2 = line.r2;
    for (std::size_t i = 0; i < samples.size(); ++i)
      if (detail::inSweep(samples[i]))
        c.residuals[i] = samples[i].height - (c.slope * samples[i].trueHeight + c.intercept);
  }
  if (c.hasLinearity) detail::linearity(samples, thresholds.maxResidual, c);
  detail::repeatability(samples, thresholds.minRepeats, c);
  detail::drift(samples, c);
  c.repeatedFrames = detail::repeatedFrames(samples);
  c.checks = detail::checks(c, thresholds);
  c.pass = detail::passes(c.checks);
  return c;
}

}  // namespace talmeq
