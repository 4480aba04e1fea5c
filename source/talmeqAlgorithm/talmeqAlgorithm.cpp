// The nine exported functions of the talmeq library and its two internal
// functions. Each export runs in the common call frame (callFrame.h): start
// message, checks, work, end message, and a boundary that catches only text
// exceptions.
#include "talmeqAlgorithm.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <functional>

#include "callFrame.h"

using namespace talmeq;

// ---------------------------------------------------------------------------
// Laser-spot detection
// ---------------------------------------------------------------------------
namespace {

using Contour = std::vector<cv::Point>;
using Contours = std::vector<Contour>;

constexpr const char* kSpotName = "getSpotCoord";
constexpr int kRankedPixels = 16;    // the 16th largest grey value sets the threshold
constexpr int kThresholdCap = 225;
constexpr int kBrightSwitch = 200;   // thr >= 200: bright method, below: dim method
constexpr double kMinSpotArea = 5.0;
constexpr double kMaxSpotArea = 300.0;
constexpr double kMinRatio = 0.3;
constexpr double kMaxRatio = 3.0;
constexpr double kCircularityFactor = 12.5663704;
constexpr double kMinCircularity = 0.5;

// The fixed window right of and below the image centre that can hold the spot.
cv::Rect spotWindow(int cols, int rows) {
  const int x = static_cast<int>(cols * 0.35);
  const int y = static_cast<int>(rows * 0.45);
  return {x, y, static_cast<int>(cols * 0.35), static_cast<int>(rows * 0.3)};
}

// min(16th largest grey value of the window, 225).
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

// Keeps the contours that pass the area, aspect and circularity screens,
// logging each screened candidate.
Contours screenCandidates(const Contours& contours) {
  Contours accepted;
  for (const Contour& contour : contours) {
    const double area = cv::contourArea(contour);
    const cv::Rect box = cv::boundingRect(contour);
    const double ratio = static_cast<double>(box.width) / static_cast<double>(box.height);
    if (area < kMinSpotArea) continue;
    logMessage("getSpotCoord: area = ", area, ", ratio = ", ratio);
    if (!(area < kMaxSpotArea && ratio > kMinRatio && ratio < kMaxRatio)) continue;
    const double perimeter = cv::arcLength(contour, true);
    const double circularity = area * kCircularityFactor / perimeter / perimeter;
    logMessage("getSpotCoord: circlirity = ", circularity);
    if (circularity > kMinCircularity) accepted.push_back(contour);
  }
  return accepted;
}

// Index of the largest blob; the best area is kept truncated to an int, so a
// later blob that only beats its integer part takes over.
std::size_t largestBlob(const Contours& blobs) {
  std::size_t best = 0;
  int bestArea = 0;
  for (std::size_t i = 0; i < blobs.size(); ++i) {
    const double area = cv::contourArea(blobs[i]);
    if (area > bestArea) {
      best = i;
      bestArea = static_cast<int>(area);
    }
  }
  return best;
}

int detectSpot(const cv::Mat& image, cv::Point& coord) {
  if (image.empty()) {
    logMessage("getSpotCoord: image empty!");
    return TALMEQ_FAILURE(kSpotName, kBadInput);
  }
  const cv::Rect window = spotWindow(image.cols, image.rows);
  if (window.area() < kRankedPixels) return TALMEQ_FAILURE(kSpotName, kBadInput);
  CV_CheckDepthEQ(image.depth(), CV_8U, "getSpotCoord expects an 8-bit image");

  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  const int thr = rankThreshold(grey(window));
  logMessage("best gray thr = ", thr);
  cv::Mat binary = thr >= kBrightSwitch ? brightForeground(grey, thr) : dimForeground(image);

  cv::Mat mask = cv::Mat::zeros(image.size(), CV_8UC1);
  mask(window).setTo(255);
  cv::bitwise_and(binary, mask, binary);

  Contours contours1;
  cv::findContours(binary, contours1, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
  logMessage("getSpotCoord: contours1.size = ", contours1.size());
  const Contours accepted = screenCandidates(contours1);

  cv::Mat blobImage = cv::Mat::zeros(image.size(), CV_8UC1);
  cv::drawContours(blobImage, accepted, -1, cv::Scalar(255), cv::FILLED, cv::LINE_8,
                   cv::noArray(), INT_MAX);
  Contours blobs;
  cv::findContours(blobImage, blobs, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
  if (blobs.empty()) return TALMEQ_FAILURE(kSpotName, kNoResult);

  const cv::Moments m = cv::moments(blobs[largestBlob(blobs)], false);
  if (m.m00 != 0) coord = cv::Point(static_cast<int>(m.m10 / m.m00), static_cast<int>(m.m01 / m.m00));
  logMessage("getSpotCoord: coord.x = ", coord.x, ", coord.y = ", coord.y);
  logMessage("getSpotCoord: end!");
  return kOk;
}

}  // namespace

int getSpotCoord(cv::Mat image, cv::Point& coord) {
  logMessage("getSpotCoord: start! ", kVersion);
  try {
    coord = cv::Point(0, 0);
    return detectSpot(image, coord);
  } catch (const char*) {
    return TALMEQ_FAILURE(kSpotName, kTextException);
  }
}
