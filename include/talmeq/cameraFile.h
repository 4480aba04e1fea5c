// The camera file: a camera matrix and distortion coefficients in the YAML
// layout of OpenCV's calibration sample ("camera_matrix",
// "distortion_coefficients", "image_width", "image_height" and, when known,
// "avg_reprojection_error"), so other programs read it, with what the
// calibration said about the camera: its warnings ("calibration_warnings")
// and, from a many-view calibration, the quality report, the board and the
// verdict. The format follows the name's extension, as cv::FileStorage
// chooses it (YAML for .yml and .yaml, XML, JSON, ".gz" compressed).
#pragma once

#include <talmeq/boardDescription.h>
#include <talmeq/cameraCalibrationReport.h>
#include <talmeq/export.h>

#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

namespace talmeq {

struct CameraFile {
  cv::Mat cameraMatrix;               // 3 x 3 CV_64F
  cv::Mat distCoeffs;                 // CV_64F: k1, k2, p1, p2, k3 and any further ones
  cv::Size imageSize;                 // a dimension the file does not give reads as 0
  std::optional<double> rms;          // average reprojection error, pixels
  std::vector<std::string> warnings;  // "calibration_warnings": cameraWarnings of its calibration
  std::string verdict;                // "verdict" of a many-view calibration: "pass" or "fail"; empty for none
};

// Writes the camera's own keys (size, matrix, coefficients as a column,
// rms) into an open storage: the one writer of them, inline so that the
// simulated datasets write their true camera with it too.
inline void writeCameraKeys(cv::FileStorage& storage, const CameraFile& camera) {
  storage << "image_width" << camera.imageSize.width << "image_height" << camera.imageSize.height;
  storage << "camera_matrix" << camera.cameraMatrix;
  storage << "distortion_coefficients" << camera.distCoeffs.reshape(1, static_cast<int>(camera.distCoeffs.total()));
  if (camera.rms) storage << "avg_reprojection_error" << *camera.rms;
}

// Writes `camera` and its warnings into the file `path`, directly: to
// replace a file atomically, call it on replaceFile's temporary file
// (talmeq/fileReplacement.h). False when the file cannot be opened.
TALMEQ_EXPORT bool writeCameraFile(const std::string& path, const CameraFile& camera);

// The same with the record of the many-view calibration `report` of `board`
// after the camera's keys: "calibration_time", "nr_of_frames",
// "per_view_reprojection_errors", "board_type", "board_width",
// "board_height" and the board's sizes, "intrinsic_standard_deviations",
// "verdict" and "verdict_checks".
TALMEQ_EXPORT bool writeCameraFile(const std::string& path, const CameraFile& camera,
                                   const CameraCalibrationReport& report, const BoardDescription& board);

// Reads the file at `path`; false when it cannot be opened or parsed. Keys
// that are missing leave their members empty; matrices written in single
// precision (as many programs do) are widened to CV_64F without loss.
TALMEQ_EXPORT bool readCameraFile(const std::string& path, CameraFile& camera);

}  // namespace talmeq
