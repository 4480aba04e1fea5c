// The height road as the tool runs it, shared by the `calibrate` and
// `measure` subcommands and the demo: spot detection and calibration from a
// height series, and the measurement of one image.
#pragma once

#include <opencv2/core.hpp>
#include <talmeqStation.h>

#include <optional>
#include <string>
#include <vector>

#include "heightCalibrationFile.h"
#include "heightMeasurement.h"
#include "heightsCsv.h"

namespace talmeq::cli {

struct CalibrationPoint {
  double height = 0.0;
  std::string image;
  cv::Point spot;             // from getSpotCoord
  double displacement = 0.0;  // projected displacement from the written file's reference point
  double fitted = 0.0;        // k * displacement + b
  double error = 0.0;         // |fitted - height|
  std::optional<SpotReading> precise;  // with --precise: the sub-pixel reading the fit used
};

struct HeightCalibrationRun {
  int code = 0;  // getCalibrationParamByLinear's result: 0 or -1 (file written)
  std::vector<CalibrationPoint> points;
  HeightCalibration file;  // as written
  double averageError = 0.0;
};

// Finds the spot of each row's image, calibrates into `ymlPath` and reads the
// file back. The per-point and average errors are recomputed from the written
// k, b, reference point, scale and dist with the library's own formula.
// LibraryFailure when a spot is missing or the calibration returns -2 or -999.
HeightCalibrationRun calibrateHeights(const std::vector<HeightRow>& rows, const std::string& ymlPath);

// Reads the calibration just written into `run.file` and recomputes each
// point's displacement, fitted height and error from it (at the sub-pixel
// centre where the point has one), and the average error.
void scoreAgainstFile(HeightCalibrationRun& run, const std::string& ymlPath);

struct HeightMeasurement {
  int code = 0;                      // getPlaneHeightByLinear's result
  double height = 0.0, axisZ = 0.0;  // written for 0 and -3 only
  bool hasHeights() const { return code == 0 || code == -3; }
};

HeightMeasurement measureHeight(const cv::Mat& image, const std::string& ymlPath);

// What the measurement of `image` read and saw: the core's own measurement
// with its trace, for pictures and reasons (it writes no message).
MeasureTrace traceMeasurement(const cv::Mat& image, const std::string& ymlPath);

}  // namespace talmeq::cli
