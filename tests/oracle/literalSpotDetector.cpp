#include "literalSpotDetector.h"

#include <opencv2/imgproc.hpp>

#include "callFrame.h"
#include "spotDetection.h"

namespace talmeq::test {
namespace {

// min(16th largest grey value of the window, 225), from the list of the
// window's values.
int rankThreshold(const cv::Mat& greyWindow) {
  std::vector<uchar> values;
  values.reserve(greyWindow.total());
  for (int r = 0; r < greyWindow.rows; ++r) {
    const uchar* row = greyWindow.ptr<uchar>(r);
    values.insert(values.end(), row, row + greyWindow.cols);
  }
  std::nth_element(values.begin(), values.begin() + (detail::spot::kRankedPixels - 1), values.end(),
                   std::greater<uchar>());
  return std::min<int>(values[detail::spot::kRankedPixels - 1], detail::spot::kThresholdCap);
}

// Bright method: grey above thr, joined by a 3 x 3 cross closing.
cv::Mat brightForeground(const cv::Mat& grey, int thr) {
  cv::Mat binary;
  cv::threshold(grey, binary, thr, 255, cv::THRESH_BINARY);
  const cv::Mat cross = cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3));
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE, cross, cv::Point(-1, -1), detail::spot::kCrossIterations);
  return binary;
}

// Dim method: red channel above its 51 x 51 background by more than 50,
// joined along rows and then along columns.
cv::Mat dimForeground(const cv::Mat& image) {
  std::vector<cv::Mat> channels;
  cv::split(image, channels);
  const cv::Mat& red = channels[2];
  cv::Mat background, difference, binary;
  cv::blur(red, background, cv::Size(detail::spot::kBackgroundBox, detail::spot::kBackgroundBox));
  cv::subtract(red, background, difference);
  cv::threshold(difference, binary, detail::spot::kDimDifference, 255, cv::THRESH_BINARY);
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE,
                   cv::getStructuringElement(cv::MORPH_RECT, detail::spot::kRowClosing));
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE,
                   cv::getStructuringElement(cv::MORPH_RECT, detail::spot::kColumnClosing));
  return binary;
}

detail::spot::Trace traceSpot(const cv::Mat& image) {
  detail::spot::Trace trace;
  if (!detail::spot::startTrace(image, trace)) return trace;
  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  trace.threshold = rankThreshold(grey(trace.window));
  cv::Mat binary = trace.brightMethod() ? brightForeground(grey, trace.threshold) : dimForeground(image);

  cv::Mat mask = cv::Mat::zeros(image.size(), CV_8UC1);
  mask(trace.window).setTo(255);
  cv::bitwise_and(binary, mask, binary);

  detail::spot::Contours foregroundContours;
  cv::findContours(binary, foregroundContours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
  detail::spot::chooseSpot(std::move(foregroundContours), cv::Rect(cv::Point(0, 0), image.size()), trace);
  return trace;
}

}  // namespace

int literalGetSpotCoord(cv::Mat image, cv::Point& coord) {
  detail::logMessage("getSpotCoord: start! ", detail::kVersion);
  try {
    coord = cv::Point(0, 0);
    return detail::spot::reportSpot(traceSpot(image), coord);
  } catch (const char*) {
    return TALMEQ_FAILURE(detail::spot::kName, kTextException);
  }
}

}  // namespace talmeq::test
