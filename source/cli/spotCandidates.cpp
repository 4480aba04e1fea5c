// The detector's window, threshold, foreground and screens, re-run to draw
// what it saw (see spotCandidates.h).
#include "spotCandidates.h"

#include <algorithm>
#include <functional>
#include <opencv2/imgproc.hpp>

namespace talmeq::cli::spotCandidates {
namespace {

constexpr int kThresholdCap = 225;
constexpr int kBrightSwitch = 200;  // thr >= 200: bright method, below: dim method
constexpr double kMinSpotArea = 5.0;
constexpr double kMaxSpotArea = 300.0;
constexpr double kMinRatio = 0.3;
constexpr double kMaxRatio = 3.0;
constexpr double kCircularityFactor = 12.5663704;
constexpr double kMinCircularity = 0.5;

// min(16th largest grey value of the window, 225).
int rankThreshold(const cv::Mat& greyWindow) {
  std::vector<uchar> values;
  values.reserve(greyWindow.total());
  for (int r = 0; r < greyWindow.rows; ++r) {
    const uchar* row = greyWindow.ptr<uchar>(r);
    values.insert(values.end(), row, row + greyWindow.cols);
  }
  std::nth_element(values.begin(), values.begin() + (kRankedPixels - 1), values.end(), std::greater<uchar>());
  return std::min<int>(values[kRankedPixels - 1], kThresholdCap);
}

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

cv::Mat windowForeground(const cv::Mat& image, const cv::Rect& window) {
  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  const int thr = rankThreshold(grey(window));
  cv::Mat binary = thr >= kBrightSwitch ? brightForeground(grey, thr) : dimForeground(image);
  cv::Mat mask = cv::Mat::zeros(image.size(), CV_8UC1);
  mask(window).setTo(255);
  cv::bitwise_and(binary, mask, binary);
  return binary;
}

Verdict screen(const Contour& contour) {
  const double area = cv::contourArea(contour);
  const cv::Rect box = cv::boundingRect(contour);
  const double ratio = static_cast<double>(box.width) / static_cast<double>(box.height);
  if (area < kMinSpotArea) return Verdict::kTooSmall;
  if (!(area < kMaxSpotArea)) return Verdict::kTooLarge;
  if (!(ratio > kMinRatio && ratio < kMaxRatio)) return Verdict::kBadRatio;
  const double perimeter = cv::arcLength(contour, true);
  const double circularity = area * kCircularityFactor / perimeter / perimeter;
  return circularity > kMinCircularity ? Verdict::kAccepted : Verdict::kNotRound;
}

}  // namespace

cv::Rect spotWindow(int cols, int rows) {
  const int x = static_cast<int>(cols * 0.35);
  const int y = static_cast<int>(rows * 0.45);
  return {x, y, static_cast<int>(cols * 0.35), static_cast<int>(rows * 0.3)};
}

std::vector<Candidate> screenedCandidates(const cv::Mat& image, const cv::Rect& window) {
  Contours contours;
  cv::findContours(windowForeground(image, window), contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
  std::vector<Candidate> candidates;
  for (Contour& contour : contours) {
    const Verdict verdict = screen(contour);
    candidates.push_back({std::move(contour), verdict});
  }
  return candidates;
}

}  // namespace talmeq::cli::spotCandidates
