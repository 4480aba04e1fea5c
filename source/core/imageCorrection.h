// Image correction with a calibrated camera: undistortion by an explicit
// map to a chosen size, and undistortion followed by a scaling about the
// principal point for a given thickness.
#pragma once

#include <talmeq/cameraCorrection.h>

#include <opencv2/core.hpp>

namespace talmeq::detail::correction {

inline constexpr const char* kThicknessName = "getCorrectImgByThickness";
inline constexpr const char* kUndistName = "undistAruco";

// Thickness correction: scale (190 - thickness) / 190 about the principal point.
inline constexpr double kReferenceDistance = kThicknessReferenceDistance;

// Raises OpenCV's error unless the camera matrix is 3 x 3 of CV_64F or
// CV_32F. Checked before any undistortion: OpenCV's undistortion functions
// crash on an empty matrix instead of raising their error.
void requireCameraMatrix(const cv::Mat& cameraMatrix);

// The body of getCorrectImgByThickness between its start and end messages.
void correctByThickness(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, double thickness,
                        cv::Mat& corrected);

// The body of undistAruco.
void undistortByMap(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, cv::Size imageSize,
                    cv::Mat& corrected);

}  // namespace talmeq::detail::correction
