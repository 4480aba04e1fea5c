// The camera corrections that refuse non-cameras (see talmeq/cameraCorrection.h).
#include <talmeq/cameraCorrection.h>

#include <cmath>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <string>

#include "imageCorrection.h"

namespace talmeq::detail {
namespace {

[[noreturn]] void refuse(const char* function, const std::string& what) {
  CV_Error(cv::Error::StsBadArg, std::string(function) + ": " + what);
}

std::string number(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

bool isFloatingPoint(const cv::Mat& m) { return m.depth() == CV_64F || m.depth() == CV_32F; }

void requireImage(const cv::Mat& image, const char* function) {
  if (image.empty()) refuse(function, "image is empty");
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

void checkCamera(const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, const char* function) {
  if (cameraMatrix.rows != 3 || cameraMatrix.cols != 3 || cameraMatrix.channels() != 1 ||
      !detail::isFloatingPoint(cameraMatrix))
    detail::refuse(function, "cameraMatrix must be 3 x 3 of float64 or float32");
  cv::Mat1d m;
  cameraMatrix.convertTo(m, CV_64F);
  const auto positive = [&](const char* name, double value) {
    if (!(std::isfinite(value) && value > 0.0))
      detail::refuse(function, std::string("cameraMatrix: ") + name + " must be a positive finite number (it is " +
                                   detail::number(value) + ")");
  };
  positive("fx", m(0, 0));
  positive("fy", m(1, 1));
  if (!std::isfinite(m(0, 1)) || !std::isfinite(m(0, 2)) || !std::isfinite(m(1, 2)))
    detail::refuse(function, "cameraMatrix: skew, cx and cy must be finite");
  if (m(1, 0) != 0.0 || m(2, 0) != 0.0 || m(2, 1) != 0.0 || m(2, 2) != 1.0)
    detail::refuse(function, "cameraMatrix: the last row must be 0 0 1 and the second row start with 0");
  const int count = static_cast<int>(distCoeffs.total());
  if (!(count == 4 || count == 5 || count == 8 || count == 12 || count == 14) || distCoeffs.channels() != 1 ||
      !detail::isFloatingPoint(distCoeffs) || (distCoeffs.rows != 1 && distCoeffs.cols != 1))
    detail::refuse(function, "distCoeffs must be 4, 5, 8, 12 or 14 float64 or float32 coefficients (it holds " +
                                 std::to_string(distCoeffs.total() * distCoeffs.channels()) + " values)");
  cv::Mat1d coefficients;
  distCoeffs.convertTo(coefficients, CV_64F);
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(coefficients(i)))
      detail::refuse(function, "distCoeffs: coefficient " + std::to_string(i) + " is not finite");
}

cv::Mat undistort(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, cv::Size size) {
  detail::requireImage(image, "undistort");
  checkCamera(cameraMatrix, distCoeffs, "undistort");
  if (size.width <= 0 || size.height <= 0) detail::refuse("undistort", "size must be positive");
  cv::Mat corrected;
  detail::correction::undistortByMap(image, cameraMatrix, distCoeffs, size, corrected);
  return corrected;
}

cv::Mat correctForThickness(const cv::Mat& image, const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs,
                            double thickness) {
  detail::requireImage(image, "correctForThickness");
  checkCamera(cameraMatrix, distCoeffs, "correctForThickness");
  if (!(thickness >= 0.0 && thickness < kThicknessReferenceDistance))
    detail::refuse("correctForThickness",
                   "thickness must lie in 0 <= thickness < 190 (it is " + detail::number(thickness) + ")");
  // The steps of getCorrectImgByThickness, without its log lines.
  cv::Mat1d m;
  cameraMatrix.convertTo(m, CV_64F);
  const cv::Point2f centre(static_cast<float>(m(0, 2)), static_cast<float>(m(1, 2)));
  cv::Mat undistorted, corrected;
  cv::undistort(image, undistorted, cameraMatrix, distCoeffs, cv::noArray());
  const double scale = (kThicknessReferenceDistance - thickness) / kThicknessReferenceDistance;
  cv::warpAffine(undistorted, corrected, cv::getRotationMatrix2D(centre, 0.0, scale), undistorted.size(),
                 cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
  return corrected;
}

}  // namespace talmeq
