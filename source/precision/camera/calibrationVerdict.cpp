#include "calibrationVerdict.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace talmeq::detail {
namespace {

constexpr double kConfidence = 1.96;  // two-sided 95 % of a normal distribution

std::string text(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

VerdictCheck below(std::string name, std::string rule, double threshold, double value) {
  return {std::move(name), std::move(rule), threshold, value, value < threshold};
}

VerdictCheck uncertaintyCheck(const char* parameter, double value, double sigma, double threshold) {
  const double relative = kConfidence * sigma / std::fabs(value);
  return below(std::string(parameter) + " uncertainty",
               "1.96 sigma / " + std::string(parameter) + " < " + text(threshold), threshold, relative);
}

}  // namespace

std::vector<VerdictCheck> verdictChecks(const CameraCalibrationReport& r, const CalibrationThresholds& t) {
  std::vector<VerdictCheck> checks;
  const CameraParameters& v = r.camera;
  const CameraParameters& s = r.uncertainty;
  checks.push_back(uncertaintyCheck("fx", v.fx, s.fx, t.maxRelativeUncertainty));
  checks.push_back(uncertaintyCheck("fy", v.fy, s.fy, t.maxRelativeUncertainty));
  checks.push_back(uncertaintyCheck("cx", v.cx, s.cx, t.maxRelativeUncertainty));
  checks.push_back(uncertaintyCheck("cy", v.cy, s.cy, t.maxRelativeUncertainty));
  checks.push_back(below("rms", "reprojection rms < " + text(t.maxRms) + " px", t.maxRms, r.rms));
  checks.push_back({"coverage", "views per image cell, mean / deviation > " + text(t.minCoverageScore),
                    t.minCoverageScore, r.coverageScore, r.coverageScore > t.minCoverageScore});
  checks.push_back({"views", text(t.minViews) + " <= used views <= " + text(t.maxViews),
                    static_cast<double>(t.minViews), static_cast<double>(r.usedViews),
                    r.usedViews >= t.minViews && r.usedViews <= t.maxViews});
  checks.push_back(below("cross-validation",
                         "rms between the cameras of alternate halves of the views < " + text(t.maxCrossValidation) +
                             " px (needs 4 views)",
                         t.maxCrossValidation, r.crossValidation));
  const auto tilted = std::count_if(r.views.begin(), r.views.end(),
                                    [&](const ViewQuality& q) { return q.used && q.tilt >= t.minTilt; });
  checks.push_back({"tilted views",
                    "views tilted by " + text(t.minTilt) + " degrees or more >= " + text(t.minTiltedViews),
                    static_cast<double>(t.minTiltedViews), static_cast<double>(tilted), tilted >= t.minTiltedViews});
  const auto repeated =
      std::count_if(r.views.begin(), r.views.end(), [](const ViewQuality& q) { return q.used && q.repeats; });
  checks.push_back(
      {"repeated views", "views repeating an earlier pose = 0", 0.0, static_cast<double>(repeated), repeated == 0});
  for (VerdictCheck& check : cameraModelChecks(r.cameraMatrix, r.imageSize, t)) checks.push_back(check);
  return checks;
}

}  // namespace talmeq::detail
