// Characterization of a height station from measured planes of known
// height: linearity over the range, repeatability at fixed heights and
// drift over time, with a verdict against thresholds that can be overridden.
//
// Samples without a time form the sweep (linearity, repeatability); samples
// with a time form the stability series (drift). Heights are in the
// station's height unit, times in seconds, drift in height units per minute.
// Samples without a measured height count as failed rows: they are listed,
// take no part in the statistics, and count against the verdict.
#pragma once

#include <talmeq/export.h>

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
};

struct CharacterizationThresholds {
  double maxResidual = 0.05;  // height units: a sweep height's mean from the fitted line (also the usable range)
  double minR2 = 0.9999;
  double maxSlopeError = 0.005;    // |slope - 1|
  double maxRepeatability = 0.05;  // worst +-3 sigma over the repeated heights
  double maxDrift = 0.005;         // |drift|, height units per minute
  int minRepeats = 5;              // repeats that make a height count for repeatability
  int maxFailedRows = 0;
};

// Repeatability at one height of the sweep.
struct RepeatabilityAt {
  double trueHeight = 0.0;
  int repeats = 0;
  double mean = 0.0;        // of the measured heights
  double threeSigma = 0.0;  // 3 x their sample standard deviation
};

struct StationCharacterization {
  // Linearity: measured = slope * true + intercept over the measured sweep samples.
  double slope = 0.0, intercept = 0.0, r2 = 0.0;
  std::vector<double> residuals;  // per sample, measured - fitted; 0 for failed or timed samples
  // Residuals of each sweep height's mean measurement from the line (so that
  // repeatability noise does not count as non-linearity): RMS and largest.
  double residualRms = 0.0, residualMax = 0.0;
  bool hasUsableRange = false;
  double usableLow = 0.0, usableHigh = 0.0;  // the widest run of sweep heights within tolerance, none failed
  // Repeatability over the heights with at least minRepeats measured repeats.
  std::vector<RepeatabilityAt> repeatabilityAt;
  double repeatability = 0.0;           // the worst threeSigma, 0 when no height qualifies
  double pooledRepeatability = 0.0;     // 3 x the pooled standard deviation of those heights
  double predictedRepeatability = 0.0;  // 3 x the RMS of the samples' predicted uncertainty there
  // Drift: least-squares line of the stability series' heights over time.
  bool hasDrift = false;                 // at least 3 measured timed samples at distinct times
  double drift = 0.0, driftError = 0.0;  // per minute, and its standard error
  int failedRows = 0;
  std::vector<VerdictCheck> checks;
  bool pass = false;
};

// Needs at least two measured sweep samples at distinct heights; otherwise
// raises cv::Exception.
TALMEQ_EXPORT StationCharacterization characterizeStation(const std::vector<HeightSample>& samples,
                                                          const CharacterizationThresholds& thresholds = {});

}  // namespace talmeq
