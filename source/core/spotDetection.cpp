// The spot detector: only the detection window can hold the answer, so the
// foreground is computed on the window plus the margins its filters reach
// (windowForeground.h); screening, painting and the choice of the blob run
// on the contours of that foreground.
#include "spotDetection.h"

#include <opencv2/imgproc.hpp>

#include "binaryMorphology.h"
#include "callFrame.h"
#include "contourTracing.h"
#include "frameWorkspace.h"
#include "polygonFill.h"
#include "windowForeground.h"

namespace talmeq::detail::spot {
namespace {

constexpr double kMinSpotArea = 5.0;
constexpr double kMaxSpotArea = 300.0;
constexpr double kMinRatio = 0.3;
constexpr double kMaxRatio = 3.0;
constexpr double kCircularityFactor = 12.5663704;
constexpr double kMinCircularity = 0.5;

// Runs the screens on a candidate's contour; the circularity is computed
// only for a contour that passes the area and ratio screens.
void screen(Candidate& c) {
  c.area = cv::contourArea(c.contour);
  const cv::Rect box = cv::boundingRect(c.contour);
  c.ratio = static_cast<double>(box.width) / static_cast<double>(box.height);
  c.circularity = 0.0;
  if (c.area < kMinSpotArea) {
    c.screen = Screen::kTooSmall;
  } else if (!(c.area < kMaxSpotArea)) {
    c.screen = Screen::kTooLarge;
  } else if (!(c.ratio > kMinRatio && c.ratio < kMaxRatio)) {
    c.screen = Screen::kBadRatio;
  } else {
    const double perimeter = cv::arcLength(c.contour, true);
    c.circularity = c.area * kCircularityFactor / perimeter / perimeter;
    c.screen = c.circularity > kMinCircularity ? Screen::kAccepted : Screen::kNotRound;
  }
}

// The candidates of `trace` made from `foregroundContours`, screened; the lists of the
// former candidates go back to the store and are reused.
void screenCandidates(const Contours& foregroundContours, Trace& trace, ContourStore& store) {
  for (Candidate& c : trace.candidates) {
    c.contour.clear();
    store.spare.push_back(std::move(c.contour));
  }
  trace.candidates.clear();
  for (const Contour& contour : foregroundContours) {
    trace.candidates.emplace_back();
    Candidate& c = trace.candidates.back();
    c.contour = spareContour(store);
    c.contour.assign(contour.begin(), contour.end());
    screen(c);
  }
}

// The outer contours of the accepted candidates painted filled, in
// full-image coordinates, into `blobs`. They are filled in one call, as one
// set of edges: nested accepted contours leave their hole. The canvas is
// the accepted contours' box with a one-pixel margin, within `canvas`.
void paintBlobs(const std::vector<Candidate>& candidates, cv::Rect canvas, Contours& blobs, SpotWorkspace& workspace) {
  Contours& accepted = workspace.accepted;
  recycleContours(accepted, workspace.store);
  cv::Rect box;
  for (const Candidate& c : candidates) {
    if (c.screen != Screen::kAccepted) continue;
    accepted.push_back(spareContour(workspace.store));
    accepted.back().assign(c.contour.begin(), c.contour.end());
    box |= cv::boundingRect(c.contour);
  }
  if (accepted.empty()) {
    recycleContours(blobs, workspace.store);
    return;
  }
  const cv::Rect area = grownBy(box, cv::Size(1, 1)) & canvas;
  cv::Mat painted = reusedView(workspace.canvas, area.size(), CV_8UC1);
  zeroPixels(painted);
  fillContours(painted, accepted, -area.tl(), workspace.fill);
  traceContours(painted, cv::RETR_EXTERNAL, area.tl(), blobs, workspace.store);
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

// chooseSpot with the calling thread's workspace.
void chooseFrom(const Contours& foregroundContours, cv::Rect canvas, Trace& trace, SpotWorkspace& workspace) {
  screenCandidates(foregroundContours, trace, workspace.store);
  paintBlobs(trace.candidates, canvas, trace.blobs, workspace);
  if (trace.blobs.empty()) {
    trace.outcome = Outcome::kNoBlob;
    return;
  }
  trace.outcome = Outcome::kFound;
  trace.chosen = largestBlob(trace.blobs);
  const cv::Moments m = cv::moments(trace.blobs[trace.chosen], false);
  if (m.m00 != 0) trace.spot = cv::Point(static_cast<int>(m.m10 / m.m00), static_cast<int>(m.m01 / m.m00));
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
  traceSpotInto(image, trace);
  return trace;
}

void traceSpotInto(const cv::Mat& image, Trace& trace) {
  trace.threshold = -1;
  trace.chosen = 0;
  trace.spot = cv::Point(0, 0);
  SpotWorkspace& workspace = spotWorkspace();
  recycleContours(trace.blobs, workspace.store);
  if (!startTrace(image, trace)) {
    screenCandidates(Contours(), trace, workspace.store);
    return;
  }
  const GreyAround grey = greyAroundWindow(image, trace.window);
  trace.threshold = windowThreshold(grey, trace.window);
  FramedWindow foreground = trace.brightMethod() ? brightWindowForeground(grey, trace.window, trace.threshold)
                                                 : dimWindowForeground(image, trace.window);
  if (foreground.binary.empty())
    recycleContours(workspace.foregroundContours, workspace.store);
  else
    traceContours(foreground.binary, cv::RETR_LIST, foreground.origin, workspace.foregroundContours, workspace.store);
  chooseFrom(workspace.foregroundContours, cv::Rect(foreground.origin, foreground.binary.size()), trace, workspace);
}

void chooseSpot(Contours foregroundContours, cv::Rect canvas, Trace& trace) {
  chooseFrom(foregroundContours, canvas, trace, spotWorkspace());
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

}  // namespace talmeq::detail::spot

namespace talmeq {

SpotDetectionRecord recordSpotDetection(const cv::Mat& image) {
  const detail::ThreadWorkspace<detail::SpotWorkspace>::Scope workspace(image.size());
  return detail::spot::traceSpot(image);
}

}  // namespace talmeq
