// What getPlaneHeightByLinear read and saw, for hosts that draw it or
// explain a result: the calibration file's eleven values, the search window
// they give, the region locator's passes and the spot. recordHeightMeasurement()
// runs the same measurement as getPlaneHeightByLinear, with the same result
// code and outputs, so the record always belongs to the result.
#pragma once

#include <talmeq/export.h>

#include <cstdint>
#include <limits>
#include <opencv2/core.hpp>
#include <string>
#include <utility>
#include <vector>

namespace talmeq {

// The eleven values of a calibration file, in the order in which they are
// written ("k", "b", "initialX", "initialY", "scale", "dist", "initZ",
// "focusD", "RoI", "offsetX", "offsetY").
struct CalibrationValues {
  double k = 0.0;         // slope of the height model
  double b = 0.0;         // intercept of the height model
  double initialX = 0.0;  // reference spot position, pixels
  double initialY = 0.0;
  double scale = 0.0;  // length per pixel
  double dist = 0.0;   // distance term of the perspective factor
  double initZ = 0.0;  // offsets from the relative to the absolute height
  double focusD = 0.0;
  cv::Rect roi;          // search window of the spot
  double offsetX = 0.0;  // shift of the window and of the reference point
  double offsetY = 0.0;
};

// The region locator's fixed figures: the 101st largest red value of the
// window sets the track level; the track band reaches 30 pixels around the
// window's diagonal; a track blob counts when its mean red stands more than
// 30 above the window's.
inline constexpr int kLocatorLevelRank = 101;
inline constexpr int kLocatorBandThickness = 30;
inline constexpr double kLocatorMinContrast = 30.0;

// The locator's pass that ended the search.
enum class LocatorPass {
  kNone,    // the window was refused before any pass ended it (empty, or too small for the track pass)
  kBright,  // one saturated blob
  kTrack,   // the track pass, whatever it found
};

// What the region locator decided on for one window.
struct SpotLocationRecord {
  LocatorPass pass = LocatorPass::kNone;
  int brightBlobs = 0;                                         // blobs the bright pass ended with
  int trackLevel = -1;                                         // threshold of the track pass; -1 when it did not run
  int trackBlobs = 0;                                          // blobs the track pass ended with
  double contrast = std::numeric_limits<double>::quiet_NaN();  // single track blob: mean red inside minus the window's
  bool spotWritten = false;                                    // the locator wrote a spot
  std::vector<cv::Point> blob;  // outer contour of the blob that gave the spot, full-image pixels; empty unless written

  // Back to a fresh record; the blob list keeps its capacity.
  void clear() {
    std::vector<cv::Point> list = std::move(blob);
    *this = SpotLocationRecord();
    blob = std::move(list);
    blob.clear();
  }
};

// The search window of a calibration: "RoI" moved by the offsets (each sum
// truncated toward zero, saturated at the int range).
TALMEQ_EXPORT cv::Rect shiftedWindow(const CalibrationValues& calibration);

// Whether `window` has a non-negative size and lies inside an image of
// `imageSize`, checked in 64 bits so that a damaged "RoI" whose x + width
// overflows an int cannot slip through. The locator raises cv::Exception for
// any other window.
inline bool liesInside(const cv::Rect& window, cv::Size imageSize) {
  const std::int64_t right = static_cast<std::int64_t>(window.x) + window.width;
  const std::int64_t bottom = static_cast<std::int64_t>(window.y) + window.height;
  return window.x >= 0 && window.y >= 0 && window.width >= 0 && window.height >= 0 && right <= imageSize.width &&
         bottom <= imageSize.height;
}

// What one measurement read and saw.
struct HeightMeasurementRecord {
  bool fileRead = false;          // the calibration file was read
  CalibrationValues calibration;  // its values, when read
  cv::Rect window;                // "RoI" shifted by the offsets
  SpotLocationRecord region;      // the locator's decisions
  cv::Point spot;                 // the located spot; (0, 0) when none was written
};

// getPlaneHeightByLinear(image, ymlPath, height, axisZ) with its record:
// the same result code and outputs. Writes nothing to the logger.
TALMEQ_EXPORT int recordHeightMeasurement(const cv::Mat& image, const std::string& ymlPath, double& height,
                                          double& axisZ, HeightMeasurementRecord& record);

}  // namespace talmeq
