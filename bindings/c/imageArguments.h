// Images and small matrices crossing the C interface: input images as
// cv::Mat headers over the host's memory, output images in the host's buffer
// or in one allocated here, and camera values as plain doubles.
#pragma once

#include <talmeq/talmeqC.h>

#include <functional>
#include <opencv2/core.hpp>
#include <string>

#include "frameLayout.h"

namespace talmeq::capi {

// The header over an input image; InvalidArgument when the image is missing,
// its description inconsistent or its channels not of `layout`.
cv::Mat inputImage(const talmeq_image* image, bindings::FrameLayout layout);

// A 1 x count CV_64F header over `values`; InvalidArgument when they are
// missing (count > 0) or count is negative.
cv::Mat inputDoubles(const double* values, int count, const char* name);

// A calibration file path; InvalidArgument when it is missing.
std::string inputPath(const char* ymlPath);

// Copies a camera matrix and five distortion coefficients out of the
// library's matrices; std::runtime_error when they do not hold 9 and 5
// doubles.
void writeCamera(const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, talmeq_camera& camera);

// The destination of an output image of `size` x `channels` 8-bit pixels:
// the host's buffer when `description.data` is set (its description must
// match), otherwise pixels allocated here. mat() is the header the export
// writes into; finish() makes sure the pixels are in the destination and
// hands an allocation over to the host. Unless finished, an allocation is
// released with the object.
class OutputImage {
 public:
  OutputImage(talmeq_image& description, cv::Size size, int channels);
  ~OutputImage();
  OutputImage(const OutputImage&) = delete;
  OutputImage& operator=(const OutputImage&) = delete;

  cv::Mat& mat() { return result_; }
  void finish();

 private:
  talmeq_image& description_;
  cv::Size size_;
  int channels_;
  cv::Mat destination_;
  cv::Mat result_;
  unsigned char* allocated_ = nullptr;
};

// A camera correction of `image` into `corrected`: an output of the host's
// requested size (`outputSized`, as an undistortion takes it) or of the
// input's, with the input's channels. `correct` gets the camera values,
// the frame, the size and the output, and returns 0 for success; only then
// is the output handed to the host. InvalidArgument for a missing
// `corrected`, image, matrix or coefficients.
using Correction = std::function<int(const cv::Mat& camera, const cv::Mat& coefficients, const cv::Mat& frame,
                                     cv::Size size, cv::Mat& out)>;
int correctImage(const talmeq_image* image, const double* cameraMatrix, const double* distCoeffs, int distCount,
                 talmeq_image* corrected, bool outputSized, const Correction& correct);

}  // namespace talmeq::capi
