// The detector stages before the spot choice (see spotStages.h).
#include "spotStages.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <functional>

namespace talmeq::spot {
namespace {

constexpr double kMinSpotArea = 5.0;
constexpr double kMaxSpotArea = 300.0;
constexpr double kMinRatio = 0.3;
constexpr double kMaxRatio = 3.0;
constexpr double kCircularityFactor = 12.5663704;
constexpr double kMinCircularity = 0.5;

// Bright method: grey above thr, joined by a 3 x 3 cross closing.
cv::Mat brightForeground(const cv::Mat& grey, int thr) {
  cv::Mat binary;
  cv::threshold(grey, binary, thr, 255, cv::THRESH_BINARY);
  const cv::Mat cross = cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3));
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE, cross, cv::Point(-1, -1), 3);
  return binary;
}

// Dim method: red channel above its 51 x 51 background by more than 50,
// joined along rows and then along columns.
cv::Mat dimForeground(const cv::Mat& image) {
  std::vector<cv::Mat> channels;
  cv::split(image, channels);
  const cv::Mat& red = channels[2];
  cv::Mat background, difference, binary;
  cv::blur(red, background, cv::Size(51, 51));
  cv::subtract(red, background, difference);
  cv::threshold(difference, binary, 50, 255, cv::THRESH_BINARY);
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE,
                   cv::getStructuringElement(cv::MORPH_RECT, cv::Size(101, 11)));
  cv::morphologyEx(binary, binary, cv::MORPH_CLOSE,
                   cv::getStructuringElement(cv::MORPH_RECT, cv::Size(11, 101)));
  return binary;
}

}  // namespace

cv::Rect spotWindow(int cols, int rows) {
  const int x = static_cast<int>(cols * 0.35);
  const int y = static_cast<int>(rows * 0.45);
  return {x, y, static_cast<int>(cols * 0.35), static_cast<int>(rows * 0.3)};
}

int rankThreshold(const cv::Mat& greyWindow) {
  std::vector<uchar> values;
  values.reserve(greyWindow.total());
  for (int r = 0; r < greyWindow.rows; ++r) {
    const uchar* row = greyWindow.ptr<uchar>(r);
    values.insert(values.end(), row, row + greyWindow.cols);
  }
  std::nth_element(values.begin(), values.begin() + (kRankedPixels - 1), values.end(),
                   std::greater<uchar>());
  return std::min<int>(values[kRankedPixels - 1], kThresholdCap);
}

cv::Mat spotForeground(const cv::Mat& image, const cv::Mat& grey, int thr, const cv::Rect& window) {
  cv::Mat binary = thr >= kBrightSwitch ? brightForeground(grey, thr) : dimForeground(image);
  cv::Mat mask = cv::Mat::zeros(image.size(), CV_8UC1);
  mask(window).setTo(255);
  cv::bitwise_and(binary, mask, binary);
  return binary;
}

Screening screenContour(const Contour& contour) {
  Screening s;
  s.area = cv::contourArea(contour);
  const cv::Rect box = cv::boundingRect(contour);
  s.ratio = static_cast<double>(box.width) / static_cast<double>(box.height);
  if (s.area < kMinSpotArea) return s;
  if (!(s.area < kMaxSpotArea && s.ratio > kMinRatio && s.ratio < kMaxRatio)) {
    s.verdict = s.area < kMaxSpotArea ? Verdict::kBadRatio : Verdict::kTooLarge;
    return s;
  }
  const double perimeter = cv::arcLength(contour, true);
  s.circularity = s.area * kCircularityFactor / perimeter / perimeter;
  s.verdict = s.circularity > kMinCircularity ? Verdict::kAccepted : Verdict::kNotRound;
  return s;
}

}  // namespace talmeq::spot
