// The image corrections of a calibrated camera. undistort and
// correctForThickness give the pixels of the exports undistAruco and
// getCorrectImgByThickness, but first refuse what cannot be a camera:
// those exports take any 3 x 3 matrix and turn one of zeros, NaN or
// infinities into a black image with success. Part of precision.h.
//
// Errors: cv::Exception (StsBadArg) whose message names the function and
// the argument at fault, e.g. "undistort: cameraMatrix: fx must be a
// positive finite number (it is nan)". Nothing is logged.
#pragma once

#include <talmeq/export.h>

#include <opencv2/core.hpp>

namespace talmeq {

// The distance the thickness correction scales against: a thickness of 190
// shrinks the image to a point, a larger one mirrors it.
inline constexpr double kThicknessReferenceDistance = 190.0;

// What a camera must be for the corrections:
//   cameraMatrix  3 x 3 of CV_64F or CV_32F: fx and fy positive and finite,
//                 skew, cx and cy finite, the second row's first entry 0 and
//                 the last row 0 0 1 (as every calibration writes it)
//   distCoeffs    4, 5, 8, 12 or 14 finite coefficients of CV_64F or CV_32F
// `function` starts the error's message.
TALMEQ_EXPORT void checkCamera(const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, const char* function);

// Removes the lens distortion into an image of `size` (positive), as
// undistAruco does. `image` is any non-empty image cv::remap takes.
TALMEQ_EXPORT cv::Mat undistort(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs,
                                cv::Size size);

// Undistorts and scales about the principal point by (190 - thickness) / 190,
// as getCorrectImgByThickness does; `thickness` must lie in 0 <= t < 190
// (a part cannot be thinner than nothing, and 190 and beyond collapse or
// mirror the image). The result has the image's size and type.
TALMEQ_EXPORT cv::Mat correctForThickness(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs,
                                          double thickness);

}  // namespace talmeq
