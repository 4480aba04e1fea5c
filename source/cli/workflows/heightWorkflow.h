// The height road as the tool runs it, shared by the `calibrate`,
// `measure` and `characterize` subcommands and the demo: spot detection and calibration from a
// height series, and the measurement of one image. Every result the library
// hands back is judged before it is reported as a success: a fit that is not
// finite is refused before anything is written, a calibration file is read
// back after the call, and a measurement without a real spot or with a
// height that is not finite counts as failed.
#pragma once

#include <talmeq/heightMeasurementRecord.h>
#include <talmeq/precision.h>
#include <talmeq/stationCharacterization.h>

#include <limits>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

#include "heightCalibrationFile.h"
#include "heightsCsv.h"

namespace talmeq::cli {

struct CalibrationPoint {
  double height = 0.0;
  std::string image;
  cv::Point spot;                      // from getSpotCoord
  double displacement = 0.0;           // projected displacement from the reference point
  double fitted = 0.0;                 // k * displacement + b
  double error = 0.0;                  // |fitted - height|
  std::optional<SpotReading> precise;  // with --precise: the sub-pixel reading the fit used
};

struct HeightCalibrationRun {
  int code = 0;  // getCalibrationParamByLinear's result: 0 or -1 (file written)
  std::vector<CalibrationPoint> points;
  HeightCalibration file;  // what the call writes, and after it what the file holds
  double averageError = 0.0;
  std::vector<std::string> warnings;
};

// UsageError for a series the library refuses: fewer than 3 rows, or the
// first and the last height equal.
void requireUsableSeries(const std::vector<HeightRow>& rows);

// Finds the spot of each row's image: with getSpotCoord's detector (one
// detection a frame), or with `precise` by readSpot. UsageError when an image
// cannot be read, WorkFailure naming the image and the reason when one has
// no spot. Adds a warning for every whole-pixel spot that was one choice
// among several blobs.
HeightCalibrationRun findSpots(const std::vector<HeightRow>& rows, bool precise);

// Fills in what the calibration of `run`'s points over `settings` will
// write, with each point's displacement, fitted height and error (the
// library's own fit, made without writing, from the sub-pixel centre where
// a point has one), for a usable series.
// WorkFailure when the fit or an error is not a finite number.
void planCalibration(HeightCalibrationRun& run, const HeightCalibration& settings);

// Runs getCalibrationParamByLinear into `ymlPath` for the planned run and
// reads the file back. WorkFailure for -2 or -999, for an OpenCV error, and
// when the file does not hold what was planned.
void writeCalibration(HeightCalibrationRun& run, const std::string& ymlPath);

// Fits and writes the file at `ymlPath` (which holds the four settings)
// with fitHeightModel (`calibrate --precise`: sub-pixel spots fitted into
// the same eleven-key file), for a run planned by planCalibration, and reads
// the file back. `run.code` is 0, or -1 when the average error exceeds 0.2
// (the file is written all the same). WorkFailure when the file holds no
// settings, could not be replaced or does not hold the planned values.
void fitPrecisely(HeightCalibrationRun& run, const std::string& ymlPath);

// WorkFailure naming the images whose spot lies outside the search window
// the fit in `run.file` writes: measure could not find them again.
void requireWindowHoldsSpots(const HeightCalibrationRun& run);

// The three steps in a row, with the settings of the file at `ymlPath`.
HeightCalibrationRun calibrateHeights(const std::vector<HeightRow>& rows, const std::string& ymlPath);

struct HeightMeasurement {
  int code = 0;                         // getPlaneHeightByLinear's result
  double height = 0.0, absolute = 0.0;  // written for 0 and -3 only
  HeightMeasurementRecord trace;        // the core's own trace of the same measurement
  std::string failure;                  // why there is no usable height; empty when there is one
  bool hasHeights() const { return code == 0 || code == -3; }
};

// getPlaneHeightByLinear on `image`, its trace and its judgement.
// WorkFailure for an OpenCV error.
HeightMeasurement measureHeight(const cv::Mat& image, const std::string& ymlPath);

// The measurement of every row of a characterization CSV: the height of the
// plane in each image, by the precision layer (sub-pixel spot, with its
// predicted uncertainty) or by the library's getPlaneHeightByLinear. A row
// whose image cannot be read or holds no measurable spot stays a row, with
// its status and reason.
struct CharacterizedRow {
  std::string image;
  HeightSample sample;
  cv::Point2d spot{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
  std::string status;                  // "measured", "outOfRange", "noSpot", "unreadable", ...
  std::string reason;                  // why there is no height; empty when there is one
  bool wholePixelCalibration = false;  // a sub-pixel reading found the file fitted from whole-pixel spots
};

// Measures each row's image against the calibration file `yml`; `precise`
// chooses the precision layer. Shows progress on the terminal.
std::vector<CharacterizedRow> measureRows(const std::vector<HeightRow>& rows, const std::string& yml, bool precise);

}  // namespace talmeq::cli
