// The stages of `talmeq demo` beyond spot detection, each on a synthetic
// dataset written into `dir`: the whole height road (calibrate, correct,
// measure against the true heights) and an ArUco camera calibration against
// the true camera. Each adds its table and its JSON section and returns the
// figure the demo is judged by.
#pragma once

#include <cstdint>
#include <string>

#include "commands.h"

namespace talmeq::cli {

inline constexpr double kDemoMaxHeightError = 0.2;  // height units
inline constexpr double kDemoMaxFocalError = 0.01;  // relative

// Worst |measured - true| relative height over the measurement frames.
double runHeightStage(const std::string& dir, std::uint64_t seedShift, Session& session);

// Larger relative error of the two calibrated focal lengths.
double runCameraStage(const std::string& dir, std::uint64_t seedShift, Session& session);

}  // namespace talmeq::cli
