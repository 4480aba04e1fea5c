// One threshold of a verdict and the figure measured against it: the camera
// calibration's and the station characterization's verdicts are lists of
// these, and pass when every evaluated check passes. A check whose figure
// the data cannot give (a line through two heights, no repeated height, a
// stability series at one time) is listed as not evaluated: its value is
// NaN, it has not passed, and the verdict names it instead of judging it.
#pragma once

#include <string>

namespace talmeq {

struct VerdictCheck {
  std::string name;  // what is checked, e.g. "rms", "coverage", "repeatability"
  std::string rule;  // the rule in words, e.g. "reprojection rms < 0.5 px"
  double threshold = 0.0;
  double value = 0.0;  // the measured figure
  bool passed = false;
  bool evaluated = true;  // false: the figure could not be measured
};

}  // namespace talmeq
