// Reasons of the height measurement (see measureReasons.h).
#include "measureReasons.h"

#include <talmeq/resultCodes.h>

#include <cmath>

#include "output.h"
#include "resultCodes.h"
#include "spotReasons.h"

namespace talmeq::cli {
namespace {

std::string locatorReason(const HeightMeasurementRecord& trace) {
  const SpotLocationRecord& r = trace.region;
  const std::string window = "the search window " + rectText(trace.window);
  if (r.pass == LocatorPass::kNone)
    return trace.window.area() == 0 ? window + " is empty"
                                    : window + " holds fewer than " + std::to_string(kLocatorLevelRank) + " pixels";
  // A level below 0: fewer than kLocatorLevelRank pixels of the window hold any red at all.
  if (r.trackLevel < 0)
    return "no spot: the search window " + rectText(trace.window) + " is dark: fewer than " +
           std::to_string(kLocatorLevelRank) + " of its pixels hold any red light";
  const std::string level = " at the track level " + std::to_string(r.trackLevel) + " in the band along " + window;
  if (r.trackBlobs == 0) return "no spot: no blob" + level;
  return "no single spot: " + std::to_string(r.trackBlobs) + " blobs" + level;
}

}  // namespace

std::string measureFailureReason(int code, const HeightMeasurementRecord& trace, double height, double absolute) {
  switch (code) {
    case 0:
      break;
    case kNoResult:
      return locatorReason(trace);
    case kOutOfRange:
      return "absolute height " + fixed(absolute, 4) + " outside -32 .. 0";
    default:
      return std::string(resultMeaning("getPlaneHeightByLinear", code));
  }
  if (!trace.region.spotWritten)
    return "no spot: the one blob in the track band stands only " + fixed(trace.region.contrast, 1) +
           " above the window's mean red (more than " + fixed(kLocatorMinContrast, 0) +
           " needed); the library's height belongs to no spot";
  if (!std::isfinite(height) || !std::isfinite(absolute))
    return "the height is not a finite number: the calibration file's model cannot be inverted at this spot";
  return {};
}

}  // namespace talmeq::cli
