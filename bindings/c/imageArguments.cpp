// Images and camera values of the C interface (see imageArguments.h).
#include "imageArguments.h"

#include <string>

#include "guardedCall.h"
#include "libraryAllocations.h"

namespace talmeq::capi {

cv::Mat inputImage(const talmeq_image* image, bindings::FrameLayout layout) {
  require(image != nullptr, "the image is missing");
  cv::Mat frame;
  const std::string problem =
      bindings::viewFrame(image->data, image->height, image->width, image->stride, image->channels, frame);
  if (!problem.empty()) throw InvalidArgument("image: " + problem);
  if (!bindings::fitsLayout(layout, image->channels))
    throw InvalidArgument("image: " + std::to_string(image->channels) + " channels given, expected " +
                          bindings::describeLayout(layout));
  return frame;
}

cv::Mat inputDoubles(const double* values, int count, const char* name) {
  if (count < 0 || (count > 0 && values == nullptr)) throw InvalidArgument(std::string(name) + " is missing");
  if (count == 0) return cv::Mat();
  return cv::Mat(1, count, CV_64F, const_cast<double*>(values));  // only read by the library
}

std::string inputPath(const char* ymlPath) {
  require(ymlPath != nullptr, "the calibration file path is missing");
  return ymlPath;
}

namespace {

void copyDoubles(const cv::Mat& source, double* target, int count, const char* name) {
  if (source.type() != CV_64F || source.total() != static_cast<std::size_t>(count) || !source.isContinuous())
    throw std::runtime_error(std::string("the library gave an unexpected ") + name);
  const double* values = source.ptr<double>();
  for (int i = 0; i < count; ++i) target[i] = values[i];
}

}  // namespace

void writeCamera(const cv::Mat& cameraMatrix, const cv::Mat& distCoeffs, talmeq_camera& camera) {
  copyDoubles(cameraMatrix, camera.matrix, 9, "camera matrix");
  copyDoubles(distCoeffs, camera.distortion, 5, "distortion");
}

OutputImage::OutputImage(talmeq_image& description, cv::Size size, int channels)
    : description_(description), size_(size), channels_(channels) {
  require(size.width >= 0 && size.height >= 0, "the output size is negative");
  const int type = CV_8UC(channels);
  if (description.data != nullptr) {
    // A buffer the library handed out is taken again only while it lives.
    if (description.libraryOwned != 0 && !livePixels(description.data))
      throw InvalidArgument("corrected: its pixels were released with talmeq_free; set data to NULL for new ones");
    if (description.width != size.width || description.height != size.height || description.channels != channels)
      throw InvalidArgument("corrected: the buffer is " + std::to_string(description.width) + " x " +
                            std::to_string(description.height) + " x " + std::to_string(description.channels) +
                            ", the output " + std::to_string(size.width) + " x " + std::to_string(size.height) + " x " +
                            std::to_string(channels));
    require(description.stride >= size.width * channels, "corrected: the row stride is shorter than a row");
    if (!size.empty())
      destination_ = cv::Mat(size, type, description.data, static_cast<std::size_t>(description.stride));
  } else if (!size.empty()) {
    allocated_ = allocatePixels(static_cast<std::size_t>(size.width) * size.height * channels);
    destination_ = cv::Mat(size, type, allocated_);
  }
  result_ = destination_;
}

OutputImage::~OutputImage() { releasePixels(allocated_); }

void OutputImage::finish() {
  // The export writes into the destination when it keeps the header it was
  // given; should it have replaced it, its pixels are copied over.
  if (result_.data != destination_.data) {
    if (result_.size() != size_ || result_.type() != CV_8UC(channels_))
      throw std::runtime_error("the library gave an output image of an unexpected size or type");
    result_.copyTo(destination_);
  }
  if (description_.data == nullptr) {
    description_.data = allocated_;
    description_.width = size_.width;
    description_.height = size_.height;
    description_.stride = size_.width * channels_;
    description_.channels = channels_;
    description_.libraryOwned = allocated_ != nullptr;
    allocated_ = nullptr;
  }
}

int correctImage(const talmeq_image* image, const double* cameraMatrix, const double* distCoeffs, int distCount,
                 talmeq_image* corrected, bool outputSized, const Correction& correct) {
  require(corrected != nullptr, "corrected is missing");
  const cv::Mat frame = inputImage(image, bindings::FrameLayout::GreyOrColour);
  const cv::Size size = outputSized ? cv::Size(corrected->width, corrected->height) : frame.size();
  OutputImage output(*corrected, size, image->channels);
  const int code = correct(inputDoubles(cameraMatrix, 9, "cameraMatrix").reshape(1, 3),
                           inputDoubles(distCoeffs, distCount, "distCoeffs"), frame, size, output.mat());
  if (code == 0) output.finish();
  return code;
}

}  // namespace talmeq::capi
