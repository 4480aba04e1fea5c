// Heights from sub-pixel spots: the linear height model fitted from
// sub-pixel centres into the calibration file, and the plane's height in a
// new image with the uncertainty that the spot's centre carries into it.
// Part of talmeqStation.h.
//
// The calibration file is the one of the whole-pixel library: one YAML
// mapping of the eleven keys "k", "b", "initialX", "initialY", "scale",
// "dist", "initZ", "focusD", "RoI", "offsetX", "offsetY". Heights are in
// the host's height unit, positions in full-image pixels with each pixel's
// centre at integer coordinates.
//
// Errors: a result's status says what the files and frames turned out to
// hold; arguments that cannot be used at all raise cv::Exception. Nothing
// is logged. Calls that name the same file must not overlap.
#pragma once

#include <talmeq/export.h>

#include <limits>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "spotReading.h"

namespace talmeq {

enum class ModelStatus {
  kWritten,     // fitted and written; average error at most 0.2 height units
  kPoorFit,     // fitted and written, but the average error exceeds 0.2
  kNoSettings,  // the file is missing, does not parse or has "dist" 0: nothing written
  kNotWritten,  // fitted, but the file could not be replaced; it is unchanged
  kKept,        // fitted, but the average error exceeds 0.2 and the file held a whole calibration,
                // which was kept (see ModelFitOptions)
};

// How fitHeightModel treats the file it fits into.
struct ModelFitOptions {
  // A fit whose average error exceeds 0.2 replaces a file that already holds
  // all eleven keys only when this is set; otherwise that calibration is
  // kept and the status is kKept. A file of the four settings alone takes
  // the poor fit either way (status kPoorFit): it held nothing to measure with.
  bool replaceWithPoorFit = false;
};

struct HeightModel {
  static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

  ModelStatus status = ModelStatus::kNoSettings;
  double k = kUnknown;  // slope and intercept of h = k * displacement + b
  double b = kUnknown;
  cv::Point2d reference{kUnknown, kUnknown};  // "initialX", "initialY", pixels; fractional in general
  cv::Rect window;                            // "RoI", pixels
  std::vector<double> errors;                 // |k * displacement + b - height| per point, height units
  double averageError = kUnknown;
};

// Fits h = k * v + b, with v = d * scale * (dist - h) / dist and d the
// centre's distance from the reference point, and replaces the file at
// `ymlPath` with all eleven keys: "k" and "b" from the fit; the reference
// point (the first centre when the first height is 0, otherwise the point
// one step before it on the line through the first two); "scale", "dist",
// "initZ" and "focusD" as read from the same file; "RoI" from the centres
// truncated to whole pixels, spanning the positions predicted for heights
// -5 .. 32; offsets 0. A poor fit keeps a whole calibration unless
// `options` say otherwise (the three-argument form uses the defaults). The same model and keys as the whole-pixel
// calibration, so the whole-pixel measurement reads the file too.
//   heights  known plane heights, height units (at least 3, first and last differing)
//   centres  the spot's centre at each height, pixels (e.g. SpotReading::centre)
// Raises cv::Exception (StsBadArg) when the lists differ in length, hold
// fewer than 3 points or a value that is not finite, or the first and last
// heights are equal.
TALMEQ_EXPORT HeightModel fitHeightModel(const std::vector<double>& heights, const std::vector<cv::Point2d>& centres,
                                         const std::string& ymlPath);
TALMEQ_EXPORT HeightModel fitHeightModel(const std::vector<double>& heights, const std::vector<cv::Point2d>& centres,
                                         const std::string& ymlPath, const ModelFitOptions& options);

enum class HeightStatus {
  kMeasured,       // height and axisZ known, axisZ within -32 .. 0
  kOutOfRange,     // height and axisZ known, axisZ outside -32 .. 0
  kNoSpot,         // no measurable spot in the calibrated window
  kNoCalibration,  // the calibration file is missing or does not parse
  kWindowOutside,  // the calibrated window does not lie inside the image
};

struct HeightReading {
  static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

  HeightStatus status = HeightStatus::kNoCalibration;
  cv::Rect window;           // the file's "RoI" moved by "offsetX" and "offsetY", pixels
  SpotReading spot;          // the spot in the window: candidates 1 when found, runnerUp 0; detectorResult and
                             // detectorSpot are the whole-pixel locator's result (0, -1) and spot for the same window
  double height = kUnknown;  // relative height, height units
  double axisZ = kUnknown;   // height + initZ + focusD
  double heightUncertainty = kUnknown;  // standard deviation of `height` from the centre's covariance alone
  double heightPerPixel = kUnknown;     // |dh/dd| at the centre: the height of one pixel of the distance d,
                                        // about the step of a whole-pixel reading here
  // The file's reference point is a whole pixel, as the whole-pixel
  // calibration writes it (fitHeightModel's is fractional in general): the
  // model was fitted from whole-pixel spots, up to half a pixel from their
  // centres, and `height` carries that error, which `heightUncertainty`
  // leaves out. Known once the file was read.
  bool wholePixelCalibration = false;
};

// Reads the calibration file, finds the spot inside its window with the
// whole-pixel locator, estimates the centre from the window's pixels around
// it (as readSpot does) and solves the model for the centre's distance from
// the reference point moved by the offsets:
// h = dist * (k * scale * d + b) / (k * scale * d + dist).
// Raises cv::Exception (StsBadArg) for an empty image, a depth other than 8
// bits or a channel count other than three or four.
TALMEQ_EXPORT HeightReading readHeight(const cv::Mat& image, const std::string& ymlPath);

// Names for reports: "written", "poorFit", "noSettings", "notWritten", "kept";
// "measured", "outOfRange", "noSpot", "noCalibration", "windowOutside".
TALMEQ_EXPORT const char* toText(ModelStatus status);
TALMEQ_EXPORT const char* toText(HeightStatus status);

}  // namespace talmeq
