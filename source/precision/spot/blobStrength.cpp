#include "blobStrength.h"

#include <algorithm>
#include <cstdint>
#include <opencv2/imgproc.hpp>

#include "boxMean.h"
#include "frameWorkspace.h"
#include "redChannel.h"

namespace talmeq::detail::precision {
namespace {

constexpr int kRingInner = 2;  // the ring starts this far outside the blob's box
constexpr int kRingOuter = 4;

cv::Rect grown(cv::Rect r, int by) { return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by}; }

// Median of the red values of `area` outside `hole` (both relative to `red`).
double ringMedian(const cv::Mat& red, cv::Rect hole) {
  int histogram[256] = {};
  int count = 0;
  for (int y = 0; y < red.rows; ++y)
    for (int x = 0; x < red.cols; ++x)
      if (!hole.contains({x, y})) ++histogram[red.at<uchar>(y, x)], ++count;
  int seen = 0;
  for (int value = 0; value < 256; ++value)
    if ((seen += histogram[value]) * 2 > count) return value;
  return 0.0;
}

// `blob` filled (255) on a zeroed mask over `area`.
cv::Mat filledMask(const std::vector<cv::Point>& blob, cv::Rect area, BlobScratch& scratch) {
  cv::Mat mask = reusedView(scratch.mask, area.size(), CV_8UC1);
  mask.setTo(0);
  scratch.outline.resize(1);
  scratch.outline[0].assign(blob.begin(), blob.end());
  fillContours(mask, scratch.outline, -area.tl(), scratch.fill);
  return mask;
}

}  // namespace

BlobMeasure measureBlob(const cv::Mat& image, const std::vector<cv::Point>& blob, BlobScratch& scratch) {
  const cv::Rect imageRect(cv::Point(0, 0), image.size());
  const cv::Rect box = cv::boundingRect(blob);
  const cv::Rect area = grown(box, kRingOuter) & imageRect;
  const cv::Mat red = redChannel(image, area, scratch.red);
  const double background = ringMedian(red, (grown(box, kRingInner) & imageRect) - area.tl());
  const cv::Mat mask = filledMask(blob, area, scratch);
  // The red values summed over the filled pixels, counted: exact integers,
  // as cv::sum and cv::countNonZero give them.
  std::int64_t sum = 0;
  int filled = 0;
  for (int y = 0; y < area.height; ++y) {
    const uchar* value = red.ptr<uchar>(y);
    const uchar* inside = mask.ptr<uchar>(y);
    for (int x = 0; x < area.width; ++x)
      if (inside[x]) sum += value[x], ++filled;
  }
  BlobMeasure m;
  m.strength = std::max(0.0, static_cast<double>(sum) - background * filled);
  const BoxPeak peak = brightestBoxMean(red, mask);
  m.peak = std::max(0.0, peak.value - background);
  m.peakAt = cv::Point2d(peak.at + area.tl());
  return m;
}

}  // namespace talmeq::detail::precision
