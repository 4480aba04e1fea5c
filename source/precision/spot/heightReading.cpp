// readHeight: the whole-pixel measurement's window and locator, the centre
// estimated around the located blob, and the model solved for it.
#include <talmeq/heightReading.h>

#include <cmath>

#include "calibrationFile.h"
#include "centreEstimate.h"
#include "frameWorkspace.h"
#include "heightMeasurement.h"
#include "imageArgument.h"
#include "readingWorkspace.h"
#include "regionLocation.h"

namespace talmeq::detail {
namespace {

bool readFile(const std::string& path, CalibrationValues& values) {
  try {
    return readCalibration(path, values);
  } catch (const cv::Exception&) {
    return false;  // a file that does not parse holds no calibration
  }
}

// How fast the model height moves with the distance d from the reference
// point at the centre: dh/dd = dist * a * (dist - b) / (a * d + dist)^2
// with a = scale * k, in height units per pixel.
double heightPerPixel(const CalibrationValues& c, const cv::Point2d& away) {
  const double d = std::hypot(away.x, away.y);
  const double a = c.scale * c.k;
  return std::fabs(c.dist * a * (c.dist - c.b) / ((a * d + c.dist) * (a * d + c.dist)));
}

// Standard deviation of the model height from the centre's covariance: d
// moves with the centre along the direction away from the reference point.
double heightDeviation(const CalibrationValues& c, const SpotReading& spot, const cv::Point2d& away) {
  const double d = std::hypot(away.x, away.y);
  const cv::Matx22d& s = spot.covariance;
  const double radial =
      d > 0.0 ? (away.x * away.x * s(0, 0) + 2.0 * away.x * away.y * s(0, 1) + away.y * away.y * s(1, 1)) / (d * d)
              : s(0, 0) + s(1, 1);
  return heightPerPixel(c, away) * std::sqrt(radial);
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

HeightReading readHeight(const cv::Mat& image, const std::string& ymlPath) {
  detail::precision::requireColourImage(image, "readHeight");
  HeightReading reading;
  CalibrationValues c;
  if (!detail::readFile(ymlPath, c)) return reading;
  reading.wholePixelCalibration = std::floor(c.initialX) == c.initialX && std::floor(c.initialY) == c.initialY;
  reading.window = shiftedWindow(c);
  if (!detail::region::liesInside(reading.window, image.size())) {
    reading.status = HeightStatus::kWindowOutside;
    return reading;
  }
  const detail::ThreadWorkspace<detail::RegionWorkspace>::Scope location(image.size());
  const detail::ThreadWorkspace<detail::precision::ReadingWorkspace>::Scope centre(image.size());
  detail::region::Trace trace;
  SpotReading& spot = reading.spot;
  spot.detectorResult = detail::region::locateInRegion(image, reading.window, spot.detectorSpot, trace);
  reading.status = HeightStatus::kNoSpot;
  if (spot.detectorResult != 0 || !trace.spotWritten) return reading;
  spot.candidates = 1;
  detail::precision::estimateCentre(image, trace.blob, reading.window, spot,
                                    detail::precision::readingWorkspace().centre);
  if (!spot.hasCentre()) return reading;

  reading.height = detail::modelHeight(c, spot.centre);
  reading.axisZ = (reading.height + c.initZ) + c.focusD;
  const cv::Point2d away = spot.centre - cv::Point2d(c.initialX + c.offsetX, c.initialY + c.offsetY);
  reading.heightUncertainty = detail::heightDeviation(c, spot, away);
  reading.heightPerPixel = detail::heightPerPixel(c, away);
  const bool inRange =
      reading.axisZ <= detail::kHighestAbsoluteHeight && reading.axisZ >= detail::kLowestAbsoluteHeight;
  reading.status = inRange ? HeightStatus::kMeasured : HeightStatus::kOutOfRange;
  return reading;
}

}  // namespace talmeq
