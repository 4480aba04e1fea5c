// The region spot locator. Only the region can hold the answer, so the
// library converts and splits only the region, draws the band on a canvas
// of the region plus a margin, counts the track level in a histogram and
// filters only the part of the region that can hold foreground.
#include "regionLocation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <opencv2/imgproc.hpp>

#include "binaryMorphology.h"
#include "boxRatioBound.h"
#include "callFrame.h"
#include "contourTracing.h"
#include "frameWorkspace.h"
#include "polygonFill.h"
#include "rankedValue.h"
#include "redChannel.h"
#include "talmeqInternal.h"
#include "threadOwned.h"

namespace talmeq::detail::region {
namespace {

constexpr double kMinBlobArea = 1.0;
constexpr double kMaxBrightBlobArea = 1000.0;
constexpr double kMaxTrackBlobArea = 2000.0;
constexpr double kMinBlobRatio = 0.33;
constexpr double kMaxBlobRatio = 3.0;
// A box whose sides are surely within this ratio either way round passes
// both bounds (1 / 2.9 > 0.33), with a margin far above the box's float
// rounding.
constexpr double kSureBlobRatio = 2.9;
constexpr int kLevelCap = 250;
constexpr double kMaxTrackDistance = 10.0;
constexpr double kNoCentroidDistance = 100.0;
// The band reaches half its thickness beyond the line's ends; a canvas
// margin of the full thickness keeps every clipped edge at the image's own.
constexpr int kBandMargin = kBandThickness;

// The closings then the opening with the 3 x 3 cross, as steps built once.
const MorphSteps& closeThenOpenSteps(int closings) {
  auto withOpening = [](MorphSteps steps) {
    steps.push_back({MorphStep::Shape::kCross, MorphStep::Op::kErode, 1});
    steps.push_back({MorphStep::Shape::kCross, MorphStep::Op::kDilate, 1});
    return steps;
  };
  static const MorphSteps bright = withOpening(crossClosing(kBrightClosings));
  static const MorphSteps track = withOpening(crossClosing(kTrackClosings));
  CV_Assert(closings == kBrightClosings || closings == kTrackClosings);
  return closings == kBrightClosings ? bright : track;
}

// cv::morphologyEx closing with `cross` and `closings` iterations, then
// opening once, default anchor and border, in place. The element is the
// 3 x 3 cross, whose steps binaryMorphology computes exactly as OpenCV does
// with that border, without OpenCV's filter objects of every call; the
// buffer's edges are the image's, even for a view of a larger buffer.
void closeThenOpen(cv::Mat& binary, const cv::Mat& cross, int closings) {
  CV_Assert(cross.type() == CV_8UC1 && cross.size() == cv::Size(3, 3) && cv::countNonZero(cross) == 5 &&
            cross.at<uchar>(1, 1) != 0 && cross.at<uchar>(0, 0) == 0);
  const cv::Rect whole(cv::Point(0, 0), binary.size());
  const cv::Mat result = applyMorphSteps(binary, closeThenOpenSteps(closings), whole,
                                         reusedView(regionWorkspace().scratch, binary.size(), CV_8UC1));
  if (result.data != binary.data) result.copyTo(binary);
}

// An empty buffer of `size` plus a one-pixel border, from the workspace.
cv::Mat framedBuffer(cv::Size size, RegionWorkspace& workspace) {
  return reusedView(workspace.framed, size + cv::Size(2, 2), CV_8UC1);
}

// The outer contours of a buffer that lies at `at` in the region, in region
// coordinates, traced on a copy inside a border of zeros.
void externalContours(const cv::Mat& binary, cv::Point at, Contours& contours, RegionWorkspace& workspace) {
  cv::Mat framed = framedBuffer(binary.size(), workspace);
  binary.copyTo(framed(cv::Rect(cv::Point(1, 1), binary.size())));
  traceContours(framed, cv::RETR_EXTERNAL, at - cv::Point(1, 1), contours, workspace.store);
}

// The outer contours of `contours` (region coordinates) filled on a buffer
// of `size` at `at` in the region: the blobs they form.
void filledBlobs(cv::Size size, const Contours& contours, cv::Point at, Contours& blobs, RegionWorkspace& workspace) {
  cv::Mat framed = framedBuffer(size, workspace);
  zeroPixels(framed);
  fillContours(framed, contours, cv::Point(1, 1) - at, workspace.fill);
  traceContours(framed, cv::RETR_EXTERNAL, at - cv::Point(1, 1), blobs, workspace.store);
}

// A buffer of `size` at `at` in the region with the contours (region
// coordinates) filled in, from the workspace.
cv::Mat filledMask(cv::Size size, const Contours& contours, cv::Point at, RegionWorkspace& workspace) {
  cv::Mat mask = reusedView(workspace.mask, size, CV_8UC1);
  zeroPixels(mask);
  fillContours(mask, contours, -at, workspace.fill);
  return mask;
}

// `kept` set to copies of the contours of `found` that `keep` accepts, in
// their order; the former lists are reused.
template <class Keep>
void keepContours(const Contours& found, Keep keep, Contours& kept, ContourStore& store) {
  recycleContours(kept, store);
  for (const Contour& contour : found) {
    if (!keep(contour)) continue;
    kept.push_back(spareContour(store));
    kept.back().assign(contour.begin(), contour.end());
  }
}

// A copy of the `part` of `binary` that can hold foreground, in the
// workspace; empty when there is none.
cv::Mat partCopy(const cv::Mat& binary, cv::Rect part, RegionWorkspace& workspace) {
  if (part.empty()) return {};
  cv::Mat copy = reusedView(workspace.part, part.size(), CV_8UC1);
  binary(part).copyTo(copy);
  return copy;
}

// The band drawn on a canvas of the region plus a margin, in `canvasBuffer`.
cv::Mat drawTrackBand(cv::Size imageSize, const cv::Rect& roi, cv::Mat& canvasBuffer);

// Raises OpenCV's error unless the region lies inside the image with a
// non-negative size, checked before any view is taken.
void requireRegionInside(const cv::Mat& image, const cv::Rect& roi) {
  if (!liesInside(roi, image.size()))
    CV_Error(cv::Error::StsOutOfRange, "getSpotCoordInRoI: the region does not lie inside the image");
}

// Area above 1 and below `maxArea`, minimum-area box ratio inside (0.33, 3);
// a box of zero width and height gives NaN, which fails. The box is only
// computed when its ratio is in doubt: cv::minAreaRect allocates its hull.
bool plausibleBlob(const Contour& contour, double maxArea) {
  const double area = cv::contourArea(contour, false);
  if (!(area > kMinBlobArea && area < maxArea)) return false;
  if (boxRatioSurelyBelow(contour, area, kSureBlobRatio)) return true;
  const cv::RotatedRect box = cv::minAreaRect(contour);
  const double ratio = static_cast<double>(box.size.width) / static_cast<double>(box.size.height);
  return ratio > kMinBlobRatio && ratio < kMaxBlobRatio;
}

// The contour polygon's centroid, truncated and shifted by the region's
// origin; false when its area moment is zero.
bool regionCentroid(const Contour& contour, const cv::Rect& roi, cv::Point& centre) {
  const cv::Moments m = cv::moments(contour, false);
  if (m.m00 == 0) return false;
  centre = cv::Point(static_cast<int>(m.m10 / m.m00) + roi.x, static_cast<int>(m.m01 / m.m00) + roi.y);
  return true;
}

// `out` set to a contour in region coordinates moved to full-image pixels;
// the list keeps its capacity.
void copyInImage(const Contour& contour, const cv::Rect& roi, Contour& out) {
  out.assign(contour.begin(), contour.end());
  for (cv::Point& p : out) p += roi.tl();
}

// The region's diagonal from its top-left to its bottom-right corner, as
// y = slope * x + intercept in full-image coordinates.
struct TrackLine {
  double slope;
  double intercept;
  double distance(cv::Point p) const {
    return std::fabs(p.x * slope + intercept - p.y) / std::sqrt(slope * slope + 1.0);
  }
};

double centroidDistance(const Contour& contour, const cv::Rect& roi, const TrackLine& track) {
  cv::Point centre;
  return regionCentroid(contour, roi, centre) ? track.distance(centre) : kNoCentroidDistance;
}

// Where the closings can produce foreground in `binary`: the box of its
// foreground grown by the closings' reach plus the pixel every step reads,
// within the buffer; empty when there is no foreground. Outside this part
// the buffer stays zero through every step, so a copy of it filtered on its
// own holds the same pixels as the whole buffer filtered.
cv::Rect foregroundReach(const cv::Mat& binary, int closings) {
  const cv::Rect box = foregroundBox(binary);
  if (box.empty()) return {};
  return grownBy(box, cv::Size(closings + 1, closings + 1)) & cv::Rect(0, 0, binary.cols, binary.rows);
}

// Bright-spot pass on the grey values of the region only, filtered where
// they can hold foreground.
bool findBrightSpot(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot, Trace& trace) {
  RegionWorkspace& workspace = regionWorkspace();
  cv::Mat binary = reusedView(workspace.grey, roi.size(), CV_8UC1);
  cv::cvtColor(image(roi), binary, cv::COLOR_BGR2GRAY);
  cv::threshold(binary, binary, kSaturatedGrey, 255, cv::THRESH_BINARY);
  const cv::Rect part = foregroundReach(binary, kBrightClosings);
  return brightSpot(partCopy(binary, part, workspace), part.tl(), roi, cross, spot, trace);
}

// Track pass on the red values of the region only, with its level counted
// from a histogram and the band drawn around the region.
int findTrackSpot(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot, Trace& trace) {
  RegionWorkspace& workspace = regionWorkspace();
  const cv::Mat red = redChannel(image, roi, workspace.red);
  cv::Mat binary = reusedView(workspace.binary, roi.size(), CV_8UC1);
  trace.trackLevel = trackLevel(rankedValue(red, kLevelRank));
  cv::threshold(red, binary, static_cast<double>(trace.trackLevel), 255, cv::THRESH_BINARY);
  cv::bitwise_and(binary, drawTrackBand(image.size(), roi, workspace.band), binary);
  const cv::Rect part = foregroundReach(binary, kTrackClosings);
  return trackSpot(partCopy(binary, part, workspace), part.tl(), red, roi, cross, spot, trace);
}

}  // namespace

int locateWith(const cv::Mat& image, const cv::Rect& roi, cv::Point& spot, BrightPass bright, TrackPass track,
               Trace& trace) {
  trace.clear();
  requireRegionInside(image, roi);
  if (roi.width == 0 || roi.height == 0) return kNoResult;
  cv::Mat& cross = regionWorkspace().cross;
  if (cross.empty()) cross = cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3), cv::Point(-1, -1));
  if (bright(image, roi, cross, spot, trace)) {
    trace.pass = Pass::kBright;
    trace.spotWritten = true;
    return kOk;
  }
  if (roi.area() < kLevelRank) return kNoResult;
  trace.pass = Pass::kTrack;
  return track(image, roi, cross, spot, trace);
}

int locateInRegion(const cv::Mat& image, const cv::Rect& roi, cv::Point& spot, Trace& trace) {
  return locateWith(image, roi, spot, findBrightSpot, findTrackSpot, trace);
}

bool brightSpot(cv::Mat binary, cv::Point at, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot,
                Trace& trace) {
  if (binary.empty()) return false;
  RegionWorkspace& workspace = regionWorkspace();
  closeThenOpen(binary, cross, kBrightClosings);
  externalContours(binary, at, workspace.found, workspace);
  keepContours(
      workspace.found, [](const Contour& contour) { return plausibleBlob(contour, kMaxBrightBlobArea); },
      workspace.kept, workspace.store);
  filledBlobs(binary.size(), workspace.kept, at, workspace.blobs, workspace);
  const Contours& blobs = workspace.blobs;
  trace.brightBlobs = static_cast<int>(blobs.size());
  if (blobs.size() != 1 || !regionCentroid(blobs[0], roi, spot)) return false;
  copyInImage(blobs[0], roi, trace.blob);
  return true;
}

int trackLevel(int rankedRed) { return std::min(rankedRed - 1, kLevelCap); }

int trackSpot(cv::Mat binary, cv::Point at, const cv::Mat& red, const cv::Rect& roi, const cv::Mat& cross,
              cv::Point& spot, Trace& trace) {
  if (binary.empty()) return kNoResult;
  const double slope = static_cast<double>(roi.height) / static_cast<double>(roi.width);
  const TrackLine track{slope, roi.y - roi.x * slope};
  RegionWorkspace& workspace = regionWorkspace();
  closeThenOpen(binary, cross, kTrackClosings);
  externalContours(binary, at, workspace.found, workspace);
  keepContours(
      workspace.found,
      [&](const Contour& contour) {
        return plausibleBlob(contour, kMaxTrackBlobArea) && centroidDistance(contour, roi, track) < kMaxTrackDistance;
      },
      workspace.kept, workspace.store);
  filledBlobs(binary.size(), workspace.kept, at, workspace.blobs, workspace);
  const Contours& blobs = workspace.blobs;
  trace.trackBlobs = static_cast<int>(blobs.size());
  if (blobs.size() != 1) return kNoResult;

  // Integer sums over the same pixels: the part's mean inside the blob is
  // the region's.
  const double inside = cv::mean(red(cv::Rect(at, binary.size())), filledMask(binary.size(), blobs, at, workspace))[0];
  const double overall = cv::mean(red)[0];
  trace.contrast = inside - overall;
  cv::Point centre;
  if (regionCentroid(blobs[0], roi, centre) && inside - overall > kMinContrast) {
    spot = centre;
    trace.spotWritten = true;
    copyInImage(blobs[0], roi, trace.blob);
  }
  return kOk;
}

cv::Mat trackBand(cv::Size imageSize, const cv::Rect& roi) {
  cv::Mat canvas;
  return drawTrackBand(imageSize, roi, canvas);
}

namespace {

cv::Mat drawTrackBand(cv::Size imageSize, const cv::Rect& roi, cv::Mat& canvasBuffer) {
  const cv::Rect canvas = grownBy(roi, cv::Size(kBandMargin, kBandMargin)) & cv::Rect(cv::Point(0, 0), imageSize);
  cv::Mat band = reusedView(canvasBuffer, canvas.size(), CV_8UC1);
  zeroPixels(band);
  cv::line(band, roi.tl() - canvas.tl(), roi.br() - canvas.tl(), cv::Scalar(255), kBandThickness, cv::LINE_8, 0);
  return band(roi - canvas.tl());
}

}  // namespace

}  // namespace talmeq::detail::region

namespace talmeq::detail {

int getSpotCoordInRoI(cv::Mat image, cv::Rect roi, cv::Point& spot) {
  try {
    spot = cv::Point(0, 0);
    // Kept per thread so that the blob list keeps its capacity between frames.
    return region::locateInRegion(image, roi, spot, threadOwned<region::Trace>());
  } catch (const char*) {
    return kTextException;
  }
}

}  // namespace talmeq::detail
