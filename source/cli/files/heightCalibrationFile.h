// The tool's view of the height calibration file. It reads the file with
// the library's own reader and notes which of the eleven keys it holds, so
// that a file without a fit (the starting file, a camera file, a truncated
// file) is refused before the library fills the missing keys with zeros; it
// checks the four settings before a fit is made from them; it creates the
// starting file; and it reads the file back after a library call to see
// that the call really wrote what it had to.
#pragma once

#include <talmeq/calibrationFileContent.h>

#include <string>

namespace talmeq::cli {

using HeightCalibration = CalibrationValues;

// Reads the file at `path` with the library's reader; UsageError when it is
// missing, cannot be opened or does not parse (with the reader's reason).
CalibrationFileContent readCalibrationFile(const std::string& path);

// UsageError "<path> holds no calibration ...: run calibrate first" unless
// the file holds all eleven keys, and UsageError when one of its values is
// not a finite number, or its settings fail requireSettings.
void requireCalibration(const CalibrationFileContent& file, const std::string& path);

// UsageError "<source>: <settingsProblem>" when the four settings cannot
// carry a calibration; `source` names where they come from. The check of
// the options that create a file and of every file the tool reads.
void requireSettings(const HeightCalibration& settings, const std::string& source);

// Writes a file holding only the four settings no calibration computes,
// "scale", "dist", "initZ" and "focusD" (of `settings`), at
// `path` directly; false when it cannot be opened.
bool writeSettings(const std::string& path, const HeightCalibration& settings);

// WorkFailure "the calibration file was not written" unless the file at
// `path` reads back, with the library's reader, as exactly `expected`.
void requireWritten(const std::string& path, const HeightCalibration& expected);

}  // namespace talmeq::cli
