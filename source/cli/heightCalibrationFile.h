// The tool's view of the height calibration file: it reads the keys back
// after a calibration or correction to report them, to recompute each
// point's fit error exactly as the library computes it, and to draw the
// search window; it creates the starting file with the four settings the
// library needs before the first calibration.
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace talmeq::cli {

struct HeightCalibration {
  double k = 0.0, b = 0.0;
  double initialX = 0.0, initialY = 0.0;
  double scale = 0.0, dist = 0.0, initZ = 0.0, focusD = 0.0;
  cv::Rect roi;
  double offsetX = 0.0, offsetY = 0.0;
};

// The four settings no calibration computes.
struct StationSettings {
  double scale = 0.0, dist = 0.0, initZ = 0.0, focusD = 0.0;
};

// Reads every key (missing ones as 0, as the library reads them); UsageError
// when the file cannot be opened or parsed.
HeightCalibration readHeightCalibration(const std::string& path);

// Writes a file holding only "scale", "dist", "initZ" and "focusD";
// UsageError when it cannot be written.
void writeStartingFile(const std::string& path, const StationSettings& settings);

// Projected displacement of a spot at `spot` for a plane at `height`, from
// the file's reference point: d * scale * (dist - height) / dist.
double projectedDisplacement(const HeightCalibration& file, const cv::Point& spot, double height);

// The search window of a measurement: "RoI" moved by the offsets (truncated).
cv::Rect searchWindow(const HeightCalibration& file);

}  // namespace talmeq::cli
