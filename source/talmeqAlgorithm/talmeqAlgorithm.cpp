// The nine exported functions of the talmeq library and its two internal
// functions. Each export runs in the common call frame (callFrame.h): start
// message, checks, work, end message, and a boundary that catches only text
// exceptions.
#include "talmeqAlgorithm.h"

#include <opencv2/imgproc.hpp>

#include <climits>

#include "callFrame.h"
#include "spotStages.h"

using namespace talmeq;

// ---------------------------------------------------------------------------
// Laser-spot detection
// ---------------------------------------------------------------------------
namespace {

using spot::Contour;
using spot::Contours;

constexpr const char* kSpotName = "getSpotCoord";

// Keeps the contours that pass the area, aspect and circularity screens,
// logging each screened candidate.
Contours screenCandidates(const Contours& contours) {
  Contours accepted;
  for (const Contour& contour : contours) {
    const spot::Screening s = spot::screenContour(contour);
    if (s.verdict == spot::Verdict::kTooSmall) continue;
    logMessage("getSpotCoord: area = ", s.area, ", ratio = ", s.ratio);
    if (s.verdict == spot::Verdict::kTooLarge || s.verdict == spot::Verdict::kBadRatio) continue;
    logMessage("getSpotCoord: circlirity = ", s.circularity);
    if (s.verdict == spot::Verdict::kAccepted) accepted.push_back(contour);
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
  const cv::Rect window = spot::spotWindow(image.cols, image.rows);
  if (window.area() < spot::kRankedPixels) return TALMEQ_FAILURE(kSpotName, kBadInput);
  CV_CheckDepthEQ(image.depth(), CV_8U, "getSpotCoord expects an 8-bit image");

  cv::Mat grey;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  const int thr = spot::rankThreshold(grey(window));
  logMessage("best gray thr = ", thr);
  cv::Mat binary = spot::spotForeground(image, grey, thr, window);

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
