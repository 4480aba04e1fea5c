// readSpot: one run of the whole-pixel detector, the strongest of its
// accepted blobs, and the centre estimated around it.
#include "spotReading.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <numeric>

#include "blobStrength.h"
#include "centreEstimate.h"
#include "imageArgument.h"
#include "spotDetection.h"

namespace talmeq {
namespace {

constexpr double kAmbiguousShare = 0.7;  // a runner-up this strong makes the choice ambiguous

void requireSearchable(const cv::Mat& image) {
  station::requireColourImage(image, "readSpot");
  if (spot::detectionWindow(image.size()).area() < spot::kRankedPixels)
    CV_Error(cv::Error::StsBadArg, "readSpot: the image is too small for the detection window");
}

// Whether the blob reaches the window's edge: the window cut it, so its
// shape and strength beyond the edge are unknown.
bool touchesEdge(const spot::Contour& blob, const cv::Rect& window) {
  const cv::Rect box = cv::boundingRect(blob);
  return box.x <= window.x || box.y <= window.y || box.br().x >= window.br().x || box.br().y >= window.br().y;
}

}  // namespace

SpotReading readSpot(const cv::Mat& image) {
  requireSearchable(image);
  const spot::Trace trace = spot::traceSpot(image);
  SpotReading reading;
  reading.detectorResult = trace.outcome == spot::Outcome::kFound ? 0 : -1;
  reading.detectorSpot = trace.spot;
  reading.candidates = static_cast<int>(trace.blobs.size());
  if (trace.blobs.empty()) return reading;

  std::vector<double> strength;
  for (const spot::Contour& blob : trace.blobs) strength.push_back(station::blobStrength(image, blob));
  std::vector<std::size_t> order(strength.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return strength[a] > strength[b]; });
  if (order.size() > 1) {
    reading.runnerUp = strength[order[0]] > 0.0 ? strength[order[1]] / strength[order[0]] : 1.0;
    reading.runnerUpCentre = station::blobCentroid(trace.blobs[order[1]]);
  }
  station::estimateCentre(image, trace.blobs[order[0]], cv::Rect(cv::Point(0, 0), image.size()), reading);
  const bool close = reading.runnerUp >= kAmbiguousShare;
  const bool cut = order.size() > 1 && touchesEdge(trace.blobs[order[0]], trace.window);
  if (reading.hasCentre() && (close || cut)) reading.status = SpotStatus::kAmbiguous;
  return reading;
}

}  // namespace talmeq
