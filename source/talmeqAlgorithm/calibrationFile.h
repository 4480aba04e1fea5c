// The calibration file: the linear height model, its fixed settings and the
// spot's search window, stored as one YAML mapping of eleven keys through
// cv::FileStorage. Every read and every write opens its own storage object
// and releases it before returning.
#pragma once

#include <opencv2/core.hpp>

#include <string>

namespace talmeq {

// The eleven values of the file, in the order in which they are written.
struct CalibrationValues {
  double k = 0.0;         // slope of the height model
  double b = 0.0;         // intercept of the height model
  double initialX = 0.0;  // reference spot position, pixels
  double initialY = 0.0;
  double scale = 0.0;     // length per pixel
  double dist = 0.0;      // distance term of the perspective factor
  double initZ = 0.0;     // offsets from the relative to the absolute height
  double focusD = 0.0;
  cv::Rect roi;           // search window of the spot
  double offsetX = 0.0;   // shift of the window and of the reference point
  double offsetY = 0.0;
};

// Reads all eleven keys; a missing real reads as 0.0 and a "RoI" that is not
// a sequence of exactly four numbers as (0, 0, 0, 0). Returns false, with
// `values` untouched, when the path names no regular file or the file cannot
// be opened. A file that does not parse raises OpenCV's parse error, also
// when it holds text that OpenCV's parser would crash or hang on (NUL bytes,
// an open XML processing instruction, text glued to a "---" marker).
bool readCalibration(const std::string& path, CalibrationValues& values);

// Reads only "scale", "dist", "initZ" and "focusD", in that order, with the
// same defaults. Returns false, with `values` untouched, when the file cannot
// be opened.
bool readFixedSettings(const std::string& path, CalibrationValues& values);

// Replaces the file with the eleven keys of `values` without ever leaving a
// partial file behind: the content goes to a temporary file in the same
// folder whose name ends with the target's file name (so cv::FileStorage
// picks the same format and compression), is checked and flushed to disk,
// and is then renamed over the target. Returns false, with the old file
// unchanged, when any of this fails.
bool writeCalibration(const std::string& path, const CalibrationValues& values);

}  // namespace talmeq
