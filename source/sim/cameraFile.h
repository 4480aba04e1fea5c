// The camera file: a camera matrix and distortion coefficients in the YAML
// layout of OpenCV's calibration sample ("camera_matrix",
// "distortion_coefficients", "image_width", "image_height" and, when known,
// "avg_reprojection_error"), so other tools read it. The simulated datasets
// write their true camera in it; the command-line tool reads and writes it.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <string>

namespace talmeq::sim {

struct CameraFile {
  cv::Mat cameraMatrix;       // 3 x 3 CV_64F
  cv::Mat distCoeffs;         // 5 x 1 CV_64F: k1, k2, p1, p2, k3
  cv::Size imageSize;         // 0 x 0 when the file does not give it
  std::optional<double> rms;  // average reprojection error, pixels
};

// Writes the keys of `camera` into an open storage, for a writer that adds
// keys of its own.
void writeCameraKeys(cv::FileStorage& storage, const CameraFile& camera);

// Writes the file with cv::FileStorage (format by extension, YAML for .yml);
// false when it cannot be opened for writing.
bool writeCameraFile(const std::string& path, const CameraFile& camera);

// Reads the file; false when it cannot be opened. Keys that are missing
// leave their members empty (matrices), 0 x 0 (size) or unset (rms).
bool readCameraFile(const std::string& path, CameraFile& camera);

}  // namespace talmeq::sim
