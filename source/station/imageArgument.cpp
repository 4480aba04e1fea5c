#include "imageArgument.h"

#include <string>

namespace talmeq::station {

void requireColourImage(const cv::Mat& image, const char* caller) {
  const char* problem = image.empty()                                  ? "the image is empty"
                        : image.depth() != CV_8U                       ? "the image is not 8-bit"
                        : image.channels() != 3 && image.channels() != 4 ? "the image is not BGR (three or four channels)"
                                                                         : nullptr;
  if (problem) CV_Error(cv::Error::StsBadArg, std::string(caller) + ": " + problem);
}

}  // namespace talmeq::station
