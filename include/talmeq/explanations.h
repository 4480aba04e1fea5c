// Words for what the library's records say, for a host to show its
// operator: what a result code of an export means, why a detection found no
// spot, what to know about a spot it did find, why a height measurement
// gave no usable height, when a whole-pixel and a sub-pixel reading of one
// image disagree, and what to distrust in a calibrated camera. The talmeq tool prints exactly these texts; numbers
// in them are written by decimalText.
#pragma once

#include <talmeq/cameraCalibrationReport.h>
#include <talmeq/export.h>
#include <talmeq/heightMeasurementRecord.h>
#include <talmeq/spotDetectionRecord.h>
#include <talmeq/spotReading.h>

#include <opencv2/core.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace talmeq {

// `value` with `decimals` digits after the point; "nan", "inf" and "-inf"
// for the values that are not finite, and six significant digits in
// exponent form from a magnitude of 1e9 on, so that no text grows unbounded.
TALMEQ_EXPORT std::string decimalText(double value, int decimals);

// "[x, y, width, height]".
TALMEQ_EXPORT std::string rectText(const cv::Rect& rect);

// What `code` means when the export `exportName` returns it ("no spot
// found" for getSpotCoord's -1); "unknown result code" for a code the
// export never returns.
TALMEQ_EXPORT std::string_view resultMeaning(std::string_view exportName, int code);

// The reason for a detection without a spot:
//   - the image is empty or too small for a detection window;
//   - "spot outside the window": the window holds no candidate (or only
//     specks too small to count) while the image outside it holds a bright
//     spot-sized blob: at least 16 connected pixels (as many as the
//     threshold ranks) whose grey level reaches the bright method's level of
//     200, within a square of a tenth of the image's shorter side (white
//     paper or a lit surface is no spot);
//   - no candidate in the window;
//   - candidates, none accepted, with the count each screen refused.
// Empty for a detection that found its spot. `image` is the BGR image that
// `record` was made from.
TALMEQ_EXPORT std::string spotFailureReason(const cv::Mat& image, const SpotDetectionRecord& record);

// A warning for a found spot that was one choice among several: more than
// one blob passed every screen and the largest was taken. Empty otherwise.
TALMEQ_EXPORT std::string spotWarning(const SpotDetectionRecord& record);

// The reason the measurement with result `code` and outputs `height`,
// `absolute` is not a usable height, or empty when it is one:
//   - -1: the search window is empty or too small for the track pass, or
//     the track pass ended with no blob or with several;
//   - 0 without a spot: the single blob in the track band stands too little
//     above the window's mean, so the library's height belongs to no spot;
//   - 0 with a height or absolute height that is not a finite number;
//   - -3: the absolute height lies outside -32 .. 0;
//   - -2 and -999 as the result code says.
TALMEQ_EXPORT std::string measureFailureReason(int code, const HeightMeasurementRecord& record, double height,
                                               double absolute);

// How the sub-pixel reading `precise` (made by the call `preciseCall`)
// contradicts the whole-pixel spot `whole` that the export `exportCall`
// found in the same image: no centre where the export found a spot, or the
// two points more than 3 pixels apart (the whole-pixel locator's point is
// its blob's, within a few pixels). Empty when the two agree.
TALMEQ_EXPORT std::string readingsDisagreement(const std::string& exportCall, cv::Point whole,
                                               const std::string& preciseCall, const SpotReading& precise);

// The warning for sub-pixel heights read with the calibration file `path`
// when it was fitted from whole-pixel spots (HeightReading::wholePixelCalibration).
TALMEQ_EXPORT std::string wholePixelCalibrationWarning(const std::string& path);

// What OpenCV accepts but a station should not trust in the camera of
// `report` (calibrateCameraFromViews's, or reviewCamera's of a camera
// calibrated elsewhere): one view, since the focal length and the
// distortion from one view are unreliable; fewer than 3 different views;
// each used view that repeats an earlier one (ViewQuality::repeatOf); and
// fx or fy outside the plausible range of `thresholds` (as
// cameraPlausibilityChecks judges it). `calibratedFrom` is the number of
// views the camera was calibrated from, repeats included; `viewNames` names
// the report's views in order.
TALMEQ_EXPORT std::vector<std::string> cameraWarnings(const CameraCalibrationReport& report, int calibratedFrom,
                                                      const std::vector<std::string>& viewNames,
                                                      const CalibrationThresholds& thresholds = {});

}  // namespace talmeq
