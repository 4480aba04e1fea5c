// The calibration file: the linear height model, its fixed settings and the
// spot's search window, stored as one mapping of eleven keys. cv::FileStorage
// writes it; a strict reader of the library's own reads it, so no text ever
// reaches a parser that could hang or crash on it.
#pragma once

#include <talmeq/heightMeasurementRecord.h>

#include <opencv2/core.hpp>
#include <string>

namespace talmeq::detail {

// The eleven values: CalibrationValues (talmeq/heightMeasurementRecord.h).

// Reads all eleven keys; a missing real reads as 0.0 and a "RoI" that is not
// a sequence of exactly four numbers as (0, 0, 0, 0). A real key holding a
// text, a sequence or a mapping reads as the largest double, as cv::read
// gives it. Returns false, with `values` untouched, when the path names no
// regular file or the file cannot be opened. The file is read by the strict
// reader of calibrationText.h, in YAML, JSON or XML as cv::FileStorage
// writes them, gzip-compressed when the name ends in ".gz"; anything that is
// not a calibration file's shape raises OpenCV's parse error. Each thread
// keeps the values of the last bytes it parsed, so a file read on every
// frame is parsed once and read without a heap allocation.
bool readCalibration(const std::string& path, CalibrationValues& values);

// Reads only "scale", "dist", "initZ" and "focusD", in that order, with the
// same defaults. Returns false, with `values` untouched, when the file cannot
// be opened.
bool readFixedSettings(const std::string& path, CalibrationValues& values);

// Replaces the file with the eleven keys of `values`, written by
// cv::FileStorage into a temporary file whose name ends with the target's
// (so it picks the same format and compression), read back and compared,
// then put in the target's place by replaceFile (talmeq/fileReplacement.h): never a
// partial file, a symbolic link's target replaced and the link kept, the
// permission bits kept. Returns false, with the old file unchanged, when any
// of this fails.
bool writeCalibration(const std::string& path, const CalibrationValues& values);

}  // namespace talmeq::detail
