// While alive, turns every OpenCV error into a text exception (const char*)
// thrown from OpenCV's error callback, so the -999 path of an export that
// never logs runs for real. The previous handler is restored on destruction.
#pragma once

#include <opencv2/core/utility.hpp>

namespace talmeq::test {

class CvErrorsAsText {
 public:
  CvErrorsAsText() { previous_ = cv::redirectError(&throwText, nullptr, &previousData_); }
  ~CvErrorsAsText() { cv::redirectError(previous_, previousData_); }
  CvErrorsAsText(const CvErrorsAsText&) = delete;
  CvErrorsAsText& operator=(const CvErrorsAsText&) = delete;

 private:
  static int throwText(int, const char*, const char*, const char*, int, void*) { throw "opencv error"; }
  cv::ErrorCallback previous_ = nullptr;
  void* previousData_ = nullptr;
};

}  // namespace talmeq::test
