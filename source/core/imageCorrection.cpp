#include "imageCorrection.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include "callFrame.h"

namespace talmeq::detail::correction {
namespace {

// The principal point of a camera matrix that passed requireCameraMatrix.
cv::Point2f principalPoint(const cv::Mat& cameraMatrix) {
  cv::Mat camera;
  cameraMatrix.convertTo(camera, CV_64F);
  return {static_cast<float>(camera.at<double>(0, 2)), static_cast<float>(camera.at<double>(1, 2))};
}

}  // namespace

void requireCameraMatrix(const cv::Mat& cameraMatrix) {
  CV_Assert(cameraMatrix.rows == 3 && cameraMatrix.cols == 3);
  CV_CheckType(cameraMatrix.type(), cameraMatrix.type() == CV_64F || cameraMatrix.type() == CV_32F,
               "camera matrix must be CV_64F or CV_32F");
}

void correctByThickness(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, double thickness,
                        cv::Mat& corrected) {
  requireCameraMatrix(cameraMatrix);
  const cv::Point2f centre = principalPoint(cameraMatrix);
  cv::Mat undistorted;
  cv::undistort(image, undistorted, cameraMatrix, distCoeffs, cv::noArray());
  const double scale = (kReferenceDistance - thickness) / kReferenceDistance;
  logMessage("thickness: ", thickness);
  const cv::Mat scaling = cv::getRotationMatrix2D(centre, 0.0, scale);
  cv::warpAffine(undistorted, corrected, scaling, cv::Size(undistorted.cols, undistorted.rows), cv::INTER_LINEAR,
                 cv::BORDER_CONSTANT, cv::Scalar::all(0));
}

void undistortByMap(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, cv::Size imageSize,
                    cv::Mat& corrected) {
  requireCameraMatrix(cameraMatrix);
  cv::Mat map1, map2;
  cv::initUndistortRectifyMap(cameraMatrix, distCoeffs, cv::Mat(), cameraMatrix, imageSize, CV_16SC2, map1, map2);
  cv::remap(image, corrected, map1, map2, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
}

}  // namespace talmeq::detail::correction
