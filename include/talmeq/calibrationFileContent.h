// The calibration file as a host checks it before trusting it, and the
// linear fit a series would write into it, computed without writing.
// Both use the library's own reader and fit, so what a host is told is what
// the nine exports and the precision layer will read and write.
#pragma once

#include <talmeq/export.h>
#include <talmeq/heightMeasurementRecord.h>

#include <cstddef>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace talmeq {

// The linear model's fixed figures: a calibration takes at least three
// points; a fit whose average error exceeds 0.2 height units is poor; the
// search window spans the spot positions predicted for heights -5 .. 32.
inline constexpr std::size_t kMinCalibrationPoints = 3;
inline constexpr double kMaxAverageError = 0.2;
inline constexpr double kWindowStartHeight = -5.0;
inline constexpr double kWindowSpan = 37.0;

// The eleven keys in the order in which they are written.
inline constexpr const char* kCalibrationKeys[] = {"k",     "b",      "initialX", "initialY", "scale",  "dist",
                                                   "initZ", "focusD", "RoI",      "offsetX",  "offsetY"};

struct CalibrationFileContent {
  bool read = false;                 // the file was opened and parsed
  std::string problem;               // when not read: no regular file there, or the reader's parse error
  CalibrationValues values;          // as the exports read them: a missing real 0, a missing "RoI" empty
  std::vector<std::string> missing;  // the keys of the eleven the file lacks ("RoI" unless four numbers)
};

// Reads the file at `path` with the library's strict reader (YAML, JSON or
// XML as cv::FileStorage writes them, ".gz" inflated) and says which keys it
// holds. Never throws for the file's content: a file that does not parse is
// `read` false with the reader's reason.
TALMEQ_EXPORT CalibrationFileContent inspectCalibrationFile(const std::string& path);

// Why the four settings of `settings` ("scale", "dist", "initZ",
// "focusD") cannot carry a calibration, or empty when they can: "scale must
// be a positive number"; "dist must be a number above 32, the highest
// height the search window spans" (at dist and above, the projection
// d * scale * (dist - h) / dist vanishes or turns over, and a dist near 0
// makes every measured height 0); "initZ and focusD must be finite numbers".
TALMEQ_EXPORT std::string settingsProblem(const CalibrationValues& settings);

struct LinearFitPreview {
  CalibrationValues values;           // the eleven values the calibration would write
  std::vector<double> displacements;  // each point's displacement projected to its height
};

// The values getCalibrationParamByLinear (whole-pixel spots) or
// fitHeightModel (sub-pixel centres) writes for this series over the four
// settings of `settings`, without touching any file: the window from the
// spots truncated to whole pixels, the reference point, the fitted line and
// zero offsets. The series must be one the calibration accepts (at least
// three points, as many spots as heights, dist not 0); cv::Exception
// (StsBadArg) otherwise.
TALMEQ_EXPORT LinearFitPreview previewLinearFit(const std::vector<double>& heights,
                                                const std::vector<cv::Point2d>& spots,
                                                const CalibrationValues& settings);

}  // namespace talmeq
