#include "imageArgument.h"

#include <string>

namespace talmeq::detail::precision {

void requireColourImage(const cv::Mat& image, const char* caller) {
  const char* problem = nullptr;
  if (image.empty())
    problem = "the image is empty";
  else if (image.depth() != CV_8U)
    problem = "the image is not 8-bit";
  else if (image.channels() != 3 && image.channels() != 4)
    problem = "the image is not BGR (three or four channels)";
  if (problem) CV_Error(cv::Error::StsBadArg, std::string(caller) + ": " + problem);
}

}  // namespace talmeq::detail::precision
