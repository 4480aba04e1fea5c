// A characterization dataset of the simulated station: a sweep of planes at
// evenly spaced heights, each seen several times with fresh sensor noise,
// and a stability series at one height over time while the plane creeps at
// a known slow rate. Written as
//
//   sweep/sweep.csv       "height,image,time" header; sweep rows "height,image",
//                         stability rows "height,image,time" (seconds)
//   sweep/sweep_NNNN.png  the frames
//   sweep/truth.csv       "image,trueHeight,time": the plane's true height in each
//                         frame (the stability rows include the creep)
//   sweep/truth.yml       the sweep's design and the true drift per minute
#pragma once

#include <string>

#include "simulatedStation.h"

namespace talmeq::sim {

struct SweepDesign {
  int heights = 21;               // evenly spaced over [low, high]
  double low = 0.0, high = 30.0;  // height units
  int repeats = 20;               // frames per height
  int stabilitySamples = 30;
  double stabilityHeight = 15.0;
  double stabilityInterval = 20.0;  // seconds between stability frames
  double driftPerMinute = 0.002;    // height units per minute the plane creeps during the series
};

// Writes the sweep into DIR/sweep (created as needed); std::runtime_error
// when a file cannot be written.
void writeSweepDataset(const std::string& dir, const Station& station, const SweepDesign& design = {});

}  // namespace talmeq::sim
