// The spot detector: only the detection window can hold the answer, so the
// foreground is computed on the window plus the margins its filters reach
// (windowForeground.h); screening, painting and the choice of the blob run
// on the contours of that foreground.
#include "spotDetection.h"

#include <opencv2/imgproc.hpp>

#include <climits>

#include "callFrame.h"
#include "windowForeground.h"

namespace talmeq::spot {
namespace {

constexpr double kMinSpotArea = 5.0;
constexpr double kMaxSpotArea = 300.0;
constexpr double kMinRatio = 0.3;
constexpr double kMaxRatio = 3.0;
constexpr double kCircularityFactor = 12.5663704;
constexpr double kMinCircularity = 0.5;

// Runs the screens on one contour; the circularity is computed only for a
// contour that passes the area and ratio screens.
Candidate screened(Contour contour) {
  Candidate c;
  c.area = cv::contourArea(contour);
  const cv::Rect box = cv::boundingRect(contour);
  c.ratio = static_cast<double>(box.width) / static_cast<double>(box.height);
  if (c.area < kMinSpotArea) {
    c.screen = Screen::kTooSmall;
  } else if (!(c.area < kMaxSpotArea)) {
    c.screen = Screen::kTooLarge;
  } else if (!(c.ratio > kMinRatio && c.ratio < kMaxRatio)) {
    c.screen = Screen::kBadRatio;
  } else {
    const double perimeter = cv::arcLength(contour, true);
    c.circularity = c.area * kCircularityFactor / perimeter / perimeter;
    c.screen = c.circularity > kMinCircularity ? Screen::kAccepted : Screen::kNotRound;
  }
  c.contour = std::move(contour);
  return c;
}

// The outer contours of the accepted candidates painted filled on a canvas
// covering `canvas`, in full-image coordinates. They are filled in one
// call, as one set of edges: nested accepted contours leave their hole.
Contours paintedBlobs(const std::vector<Candidate>& candidates, cv::Rect canvas) {
  Contours accepted;
  for (const Candidate& c : candidates)
    if (c.screen == Screen::kAccepted) accepted.push_back(c.contour);
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

}  // namespace

cv::Rect detectionWindow(cv::Size imageSize) {
  const int x = static_cast<int>(imageSize.width * 0.35);
  const int y = static_cast<int>(imageSize.height * 0.45);
  return {x, y, static_cast<int>(imageSize.width * 0.35), static_cast<int>(imageSize.height * 0.3)};
}

bool startTrace(const cv::Mat& image, Trace& trace) {
  trace.outcome = Outcome::kEmptyImage;
  if (image.empty()) return false;
  trace.window = detectionWindow(image.size());
  if (trace.window.area() < kRankedPixels) {
    trace.outcome = Outcome::kWindowTooSmall;
    return false;
  }
  CV_CheckDepthEQ(image.depth(), CV_8U, "getSpotCoord expects an 8-bit image");
  return true;
}

Trace traceSpot(const cv::Mat& image) {
  Trace trace;
  if (!startTrace(image, trace)) return trace;
  const GreyAround grey = greyAroundWindow(image, trace.window);
  trace.threshold = windowThreshold(grey, trace.window);
  const FramedWindow foreground = trace.brightMethod() ? brightWindowForeground(grey, trace.window, trace.threshold)
                                                       : dimWindowForeground(image, trace.window);
  Contours contours1;
  cv::findContours(foreground.binary, contours1, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE, foreground.origin);
  chooseSpot(std::move(contours1), cv::Rect(foreground.origin, foreground.binary.size()), trace);
  return trace;
}

void chooseSpot(Contours contours1, cv::Rect canvas, Trace& trace) {
  trace.candidates.clear();
  trace.candidates.reserve(contours1.size());
  for (Contour& contour : contours1) trace.candidates.push_back(screened(std::move(contour)));
  trace.blobs = paintedBlobs(trace.candidates, canvas);
  if (trace.blobs.empty()) {
    trace.outcome = Outcome::kNoBlob;
    return;
  }
  trace.outcome = Outcome::kFound;
  trace.chosen = largestBlob(trace.blobs);
  const cv::Moments m = cv::moments(trace.blobs[trace.chosen], false);
  if (m.m00 != 0) trace.spot = cv::Point(static_cast<int>(m.m10 / m.m00), static_cast<int>(m.m01 / m.m00));
}

int reportSpot(const Trace& trace, cv::Point& coord) {
  switch (trace.outcome) {
    case Outcome::kEmptyImage:
      logMessage("getSpotCoord: image empty!");
      return TALMEQ_FAILURE(kName, kBadInput);
    case Outcome::kWindowTooSmall:
      return TALMEQ_FAILURE(kName, kBadInput);
    case Outcome::kNoBlob:
    case Outcome::kFound:
      break;
  }
  logMessage("best gray thr = ", trace.threshold);
  logMessage("getSpotCoord: contours1.size = ", trace.candidates.size());
  for (const Candidate& c : trace.candidates) {
    if (c.screen == Screen::kTooSmall) continue;
    logMessage("getSpotCoord: area = ", c.area, ", ratio = ", c.ratio);
    if (c.screen == Screen::kNotRound || c.screen == Screen::kAccepted)
      logMessage("getSpotCoord: circlirity = ", c.circularity);
  }
  if (trace.outcome == Outcome::kNoBlob) return TALMEQ_FAILURE(kName, kNoResult);
  coord = trace.spot;
  logMessage("getSpotCoord: coord.x = ", coord.x, ", coord.y = ", coord.y);
  logMessage("getSpotCoord: end!");
  return kOk;
}

}  // namespace talmeq::spot
