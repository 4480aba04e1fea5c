// The nine exported functions of the talmeq library and its two internal
// functions. Each export runs in the common call frame (callFrame.h): start
// message, checks, work, end message, and a boundary that catches only text
// exceptions.
#include "talmeqAlgorithm.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>

#include "callFrame.h"
#include "spotDetection.h"
#include "windowForeground.h"

using namespace talmeq;

// ---------------------------------------------------------------------------
// Laser-spot detection
// ---------------------------------------------------------------------------
// Only the detection window can hold the answer, so the foreground is
// computed on the window plus the margins its filters reach
// (windowForeground.h); the stages after it are shared with the whole-frame
// reading that the tests keep (spotDetection.h).
namespace {

using spot::Contour;
using spot::Contours;

constexpr double kMinSpotArea = 5.0;
constexpr double kMaxSpotArea = 300.0;
constexpr double kMinRatio = 0.3;
constexpr double kMaxRatio = 3.0;
constexpr double kCircularityFactor = 12.5663704;
constexpr double kMinCircularity = 0.5;

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

// The outer contours of the accepted contours painted filled on a canvas
// covering `canvas`, in full-image coordinates.
Contours paintedBlobs(const Contours& accepted, cv::Rect canvas) {
  cv::Mat blobImage = cv::Mat::zeros(canvas.size(), CV_8UC1);
  cv::drawContours(blobImage, accepted, -1, cv::Scalar(255), cv::FILLED, cv::LINE_8, cv::noArray(), INT_MAX,
                   -canvas.tl());
  Contours blobs;
  cv::findContours(blobImage, blobs, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE, canvas.tl());
  return blobs;
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

// The library's pipeline: grey, threshold and foreground of the window only.
int detectInWindow(const cv::Mat& image, cv::Point& coord) {
  if (const int refused = spot::checkImage(image)) return refused;
  const cv::Rect window = spot::detectionWindow(image.size());
  const spot::GreyAround grey = spot::greyAroundWindow(image, window);
  const int thr = spot::windowThreshold(grey, window);
  logMessage("best gray thr = ", thr);
  const spot::FramedWindow foreground = thr >= spot::kBrightSwitch
                                            ? spot::brightWindowForeground(grey, window, thr)
                                            : spot::dimWindowForeground(image, window);
  Contours contours1;
  cv::findContours(foreground.binary, contours1, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE, foreground.origin);
  return spot::locateSpot(contours1, cv::Rect(foreground.origin, foreground.binary.size()), coord);
}

}  // namespace

cv::Rect spot::detectionWindow(cv::Size imageSize) {
  const int x = static_cast<int>(imageSize.width * 0.35);
  const int y = static_cast<int>(imageSize.height * 0.45);
  return {x, y, static_cast<int>(imageSize.width * 0.35), static_cast<int>(imageSize.height * 0.3)};
}

int spot::checkImage(const cv::Mat& image) {
  if (image.empty()) {
    logMessage("getSpotCoord: image empty!");
    return TALMEQ_FAILURE(kName, kBadInput);
  }
  if (detectionWindow(image.size()).area() < kRankedPixels) return TALMEQ_FAILURE(kName, kBadInput);
  CV_CheckDepthEQ(image.depth(), CV_8U, "getSpotCoord expects an 8-bit image");
  return kOk;
}

int spot::locateSpot(const Contours& contours1, cv::Rect canvas, cv::Point& coord) {
  logMessage("getSpotCoord: contours1.size = ", contours1.size());
  const Contours blobs = paintedBlobs(screenCandidates(contours1), canvas);
  if (blobs.empty()) return TALMEQ_FAILURE(kName, kNoResult);
  const cv::Moments m = cv::moments(blobs[largestBlob(blobs)], false);
  if (m.m00 != 0) coord = cv::Point(static_cast<int>(m.m10 / m.m00), static_cast<int>(m.m01 / m.m00));
  logMessage("getSpotCoord: coord.x = ", coord.x, ", coord.y = ", coord.y);
  logMessage("getSpotCoord: end!");
  return kOk;
}

int getSpotCoord(cv::Mat image, cv::Point& coord) {
  logMessage("getSpotCoord: start! ", kVersion);
  try {
    coord = cv::Point(0, 0);
    return detectInWindow(image, coord);
  } catch (const char*) {
    return TALMEQ_FAILURE(spot::kName, kTextException);
  }
}
