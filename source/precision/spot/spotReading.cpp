// readSpot: one run of the whole-pixel detector, the strongest of its
// accepted blobs, and the centre estimated around it.
#include <talmeq/spotReading.h>

#include <opencv2/imgproc.hpp>
#include <utility>
#include <vector>

#include "frameWorkspace.h"
#include "imageArgument.h"
#include "readingWorkspace.h"

namespace talmeq::detail {
namespace {

constexpr double kAmbiguousShare = 0.7;  // a runner-up this strong makes the choice ambiguous

void requireSearchable(const cv::Mat& image) {
  precision::requireColourImage(image, "readSpot");
  if (spot::detectionWindow(image.size()).area() < spot::kRankedPixels)
    CV_Error(cv::Error::StsBadArg, "readSpot: the image is too small for the detection window");
}

// Whether the blob reaches the window's edge: the window cut it, so its
// shape and strength beyond the edge are unknown.
bool touchesEdge(const spot::Contour& blob, const cv::Rect& window) {
  const cv::Rect box = cv::boundingRect(blob);
  return box.x <= window.x || box.y <= window.y || box.br().x >= window.br().x || box.br().y >= window.br().y;
}

// A rival's measure over the chosen blob's; a rival against nothing is as strong.
double ratio(double rival, double chosen) { return chosen > 0.0 ? rival / chosen : 1.0; }

// The indices of `measures`, strongest first, blobs of equal strength in
// their own order (as std::stable_sort gives them, without its temporary
// buffer). An insertion sort: the detector accepts a handful of blobs.
void rankByStrength(const std::vector<precision::BlobMeasure>& measures, std::vector<std::size_t>& order) {
  order.clear();
  for (std::size_t i = 0; i < measures.size(); ++i) {
    order.push_back(i);
    for (std::size_t j = order.size() - 1; j > 0 && measures[order[j]].strength > measures[order[j - 1]].strength; --j)
      std::swap(order[j], order[j - 1]);
  }
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

SpotReading readSpot(const cv::Mat& image) {
  detail::requireSearchable(image);
  const detail::ThreadWorkspace<detail::precision::ReadingWorkspace>::Scope readingScope(image.size());
  const detail::ThreadWorkspace<detail::SpotWorkspace>::Scope detectionScope(image.size());
  detail::precision::ReadingWorkspace& work = detail::precision::readingWorkspace();
  const detail::spot::Trace& trace = work.trace;
  detail::spot::traceSpotInto(image, work.trace);
  SpotReading reading;
  reading.detectorResult = trace.outcome == detail::spot::Outcome::kFound ? 0 : -1;
  reading.detectorSpot = trace.spot;
  reading.candidates = static_cast<int>(trace.blobs.size());
  if (trace.blobs.empty()) return reading;

  std::vector<detail::precision::BlobMeasure>& measures = work.measures;
  measures.clear();
  for (const detail::spot::Contour& blob : trace.blobs)
    measures.push_back(detail::precision::measureBlob(image, blob, work.blob));
  const std::vector<std::size_t>& order = work.order;
  detail::rankByStrength(measures, work.order);
  const detail::precision::BlobMeasure& chosen = measures[order[0]];
  if (order.size() > 1) {
    reading.runnerUp = detail::ratio(measures[order[1]].strength, chosen.strength);
    reading.runnerUpCentre = detail::precision::blobCentroid(trace.blobs[order[1]]);
  }
  // A candidate rejected for its size or shape may be the spot merged with
  // clutter by the detector's closings: its peak is what still tells.
  for (const detail::spot::Candidate& c : trace.candidates) {
    if (c.screen == detail::spot::Screen::kTooSmall || c.screen == detail::spot::Screen::kAccepted) continue;
    const detail::precision::BlobMeasure rejected = detail::precision::measureBlob(image, c.contour, work.blob);
    if (detail::ratio(rejected.peak, chosen.peak) <= reading.runnerUp) continue;
    reading.runnerUp = detail::ratio(rejected.peak, chosen.peak);
    reading.runnerUpCentre = rejected.peakAt;
  }
  detail::precision::estimateCentre(image, trace.blobs[order[0]], cv::Rect(cv::Point(0, 0), image.size()), reading,
                                    work.centre);
  const bool close = reading.runnerUp >= detail::kAmbiguousShare;
  const bool cut = order.size() > 1 && detail::touchesEdge(trace.blobs[order[0]], trace.window);
  if (reading.hasCentre() && (close || cut)) reading.status = SpotStatus::kAmbiguous;
  return reading;
}

}  // namespace talmeq
