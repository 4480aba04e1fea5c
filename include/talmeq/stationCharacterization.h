// Characterization of a height station from measured planes of known
// height: linearity over the range, repeatability at fixed heights and
// drift over time, with a verdict against thresholds that can be overridden.
//
// Samples without a time form the sweep (linearity, offset, repeatability);
// samples with a time form the stability series (drift). Heights are in the
// station's height unit, times in seconds, drift in height units per minute.
// Samples without a measured height count as failed rows: they are listed,
// take no part in the statistics, and count against the verdict. Each check
// is judged only when the samples can give its figure: a line needs two
// sweep heights, its linearity three, repeatability a height with
// `minRepeats` repeats, drift three timed samples at two times or more;
// otherwise the check is listed as not evaluated.
#pragma once

#include <talmeq/export.h>

#include <cstdint>
#include <vector>

#include "verdictCheck.h"

namespace talmeq {

struct HeightSample {
  double trueHeight = 0.0;
  bool measured = false;     // a height was measured
  double height = 0.0;       // the measured height, when measured
  double uncertainty = 0.0;  // its predicted 1 sigma, 0 when unknown
  bool timed = false;        // part of the stability series
  double time = 0.0;         // seconds, when timed
  std::uint64_t frame = 0;   // identifies the frame's pixels (a digest); 0 when unknown. Samples with
                             // the same non-zero frame are one frame listed twice
  double step = 0.0;         // the smallest height change the reading can show (whole-pixel spots); 0 when
                             // the reading is continuous
};

struct CharacterizationThresholds {
  double maxResidual = 0.05;  // height units: a sweep height's mean from the fitted line (also the usable range)
  double minR2 = 0.9999;
  double maxSlopeError = 0.005;    // |slope - 1|
  double maxRepeatability = 0.05;  // worst +-3 sigma over the repeated heights
  double maxDrift = 0.005;         // |drift|, height units per minute
  int minRepeats = 5;              // repeats that make a height count for repeatability
  int maxFailedRows = 0;
  double maxOffset = 0.05;  // |intercept| of the line, height units
};

// Repeatability at one height of the sweep.
struct RepeatabilityAt {
  double trueHeight = 0.0;
  int repeats = 0;
  double mean = 0.0;        // of the measured heights
  double threeSigma = 0.0;  // 3 x their sample standard deviation
};

struct StationCharacterization {
  // Linearity: measured = slope * true + intercept over the measured sweep
  // samples, when they hold two heights or more (`hasLine`); the line's
  // residuals judge linearity from three heights on (`hasLinearity`).
  bool hasLine = false, hasLinearity = false;
  double slope = 0.0, intercept = 0.0, r2 = 0.0;
  std::vector<double> residuals;  // per sample, measured - fitted; 0 for failed or timed samples
  // Residuals of each sweep height's mean measurement from the line (so that
  // repeatability noise does not count as non-linearity): RMS and largest.
  double residualRms = 0.0, residualMax = 0.0;
  bool hasUsableRange = false;               // judged from three heights on
  double usableLow = 0.0, usableHigh = 0.0;  // the widest run of sweep heights within tolerance, none failed
  // Repeatability over the heights with at least minRepeats measured repeats.
  std::vector<RepeatabilityAt> repeatabilityAt;
  double repeatability = 0.0;           // the worst threeSigma, 0 when no height qualifies
  double pooledRepeatability = 0.0;     // 3 x the pooled standard deviation of those heights
  double predictedRepeatability = 0.0;  // 3 x the RMS of the samples' predicted uncertainty there
  // Drift: least-squares line of the stability series' heights over time.
  bool hasDrift = false;                 // at least 3 measured timed samples at distinct times
  double drift = 0.0, driftError = 0.0;  // per minute, and its standard error
  // Readings that never change over the series (quantized ones) cannot
  // resolve a drift: it is below one height step over the series' span.
  bool driftResolved = false;
  double driftLimit = 0.0;           // per minute, when not resolved: the samples' step / the span; NaN without a step
  int stabilitySamples = 0;          // measured timed samples
  double stabilityHeight = 0.0;      // their mean true height
  double stabilityThreeSigma = 0.0;  // 3 x the standard deviation of their heights about the drift line
  int repeatedFrames = 0;            // samples whose frame repeats an earlier sample's; -1 when none names its frame
  int failedRows = 0;
  std::vector<VerdictCheck> checks;
  bool pass = false;
};

// The checks, in order: linearity, r2, slope, offset, repeatability, drift,
// repeated frames, failed rows. `pass` when every evaluated check passed and
// at least one figure (linearity to drift) was evaluated. Raises
// cv::Exception when no sample holds a measured height.
TALMEQ_EXPORT StationCharacterization characterizeStation(const std::vector<HeightSample>& samples,
                                                          const CharacterizationThresholds& thresholds = {});

}  // namespace talmeq
