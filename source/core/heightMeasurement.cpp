#include "heightMeasurement.h"

#include <cmath>

#include "callFrame.h"
#include "frameWorkspace.h"
#include "numericConversion.h"

namespace talmeq::detail {

double modelHeight(const CalibrationValues& c, cv::Point2d spot) {
  const double dx = spot.x - c.initialX - c.offsetX;
  const double dy = spot.y - c.initialY - c.offsetY;
  const double r = std::sqrt(std::pow(dx, 2.0) + std::pow(dy, 2.0));
  const double s = c.scale * c.k * r;
  return (c.dist * c.scale * c.k * r + c.dist * c.b) / (s + c.dist);
}

int measurePlaneHeight(const cv::Mat& image, const std::string& ymlPath, double& height, double& axisZ,
                       RegionLocator locate, MeasureTrace& trace) {
  CalibrationValues& c = trace.calibration;
  if (!readCalibration(ymlPath, c)) return kBadInput;
  trace.fileRead = true;
  trace.window = shiftedWindow(c);
  const int located = locate(image, trace.window, trace.spot, trace.region);
  if (located != kOk) return located;
  height = modelHeight(c, trace.spot);
  axisZ = (height + c.initZ) + c.focusD;
  if (axisZ > kHighestAbsoluteHeight || axisZ < kLowestAbsoluteHeight) return kOutOfRange;
  return kOk;
}

}  // namespace talmeq::detail

namespace talmeq {

cv::Rect shiftedWindow(const CalibrationValues& c) {
  return {detail::truncateToInt(c.roi.x + c.offsetX), detail::truncateToInt(c.roi.y + c.offsetY), c.roi.width,
          c.roi.height};
}

int recordHeightMeasurement(const cv::Mat& image, const std::string& ymlPath, double& height, double& axisZ,
                            HeightMeasurementRecord& record) {
  try {
    const detail::ThreadWorkspace<detail::RegionWorkspace>::Scope workspace(image.size());
    return detail::measurePlaneHeight(image, ymlPath, height, axisZ, detail::region::locateInRegion, record);
  } catch (const char*) {
    return kTextException;
  }
}

}  // namespace talmeq
