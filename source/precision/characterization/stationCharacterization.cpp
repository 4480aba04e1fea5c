// Linearity, repeatability and drift of a height station (see
// stationCharacterization.h).
#include <talmeq/stationCharacterization.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <opencv2/core.hpp>
#include <sstream>

namespace talmeq {
namespace {

constexpr double kSecondsPerMinute = 60.0;

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

void drift(const std::vector<HeightSample>& samples, StationCharacterization& c) {
  std::vector<double> minutes, heights;
  for (const HeightSample& s : samples) {
    if (!s.measured || !s.timed) continue;
    minutes.push_back(s.time / kSecondsPerMinute);
    heights.push_back(s.height);
  }
  if (minutes.size() < 3 ||
      *std::max_element(minutes.begin(), minutes.end()) == *std::min_element(minutes.begin(), minutes.end()))
    return;
  const Line line = fitLine(minutes, heights);
  c.hasDrift = true;
  c.drift = line.slope;
  c.driftError = line.slopeError;
}

std::string text(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

std::vector<VerdictCheck> checks(const StationCharacterization& c, const CharacterizationThresholds& t) {
  std::vector<VerdictCheck> list;
  const auto atMost = [&](const char* name, const std::string& rule, double threshold, double value) {
    list.push_back({name, rule + " <= " + text(threshold), threshold, value, value <= threshold});
  };
  atMost("linearity", "largest distance of a height's mean from the fitted line", t.maxResidual, c.residualMax);
  list.push_back({"r2", "r2 >= " + text(t.minR2), t.minR2, c.r2, c.r2 >= t.minR2});
  atMost("slope", "|slope - 1|", t.maxSlopeError, std::fabs(c.slope - 1.0));
  if (!c.repeatabilityAt.empty())
    atMost("repeatability", "worst +-3 sigma at a height", t.maxRepeatability, c.repeatability);
  if (c.hasDrift) atMost("drift", "|drift| per minute", t.maxDrift, std::fabs(c.drift));
  atMost("failed rows", "rows without a height", t.maxFailedRows, c.failedRows);
  return list;
}

}  // namespace

StationCharacterization characterizeStation(const std::vector<HeightSample>& samples,
                                            const CharacterizationThresholds& thresholds) {
  std::vector<double> truth, measured;
  for (const HeightSample& s : samples)
    if (inSweep(s)) {
      truth.push_back(s.trueHeight);
      measured.push_back(s.height);
    }
  if (truth.size() < 2 ||
      *std::max_element(truth.begin(), truth.end()) == *std::min_element(truth.begin(), truth.end()))
    CV_Error(cv::Error::StsBadArg, "characterization needs measured heights at two or more true heights");
  StationCharacterization c;
  const Line line = fitLine(truth, measured);
  c.slope = line.slope;
  c.intercept = line.intercept;
  c.r2 = line.r2;
  c.residuals.assign(samples.size(), 0.0);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    c.failedRows += samples[i].measured ? 0 : 1;
    if (inSweep(samples[i])) c.residuals[i] = samples[i].height - (c.slope * samples[i].trueHeight + c.intercept);
  }
  linearity(samples, thresholds.maxResidual, c);
  repeatability(samples, thresholds.minRepeats, c);
  drift(samples, c);
  c.checks = checks(c, thresholds);
  c.pass = std::all_of(c.checks.begin(), c.checks.end(), [](const VerdictCheck& check) { return check.passed; });
  return c;
}

}  // namespace talmeq
