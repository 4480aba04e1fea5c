#include "blobStrength.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>

namespace talmeq::station {
namespace {

constexpr int kRingInner = 2;  // the ring starts this far outside the blob's box
constexpr int kRingOuter = 4;
constexpr int kPeakSide = 5;

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

}  // namespace

BlobMeasure measureBlob(const cv::Mat& image, const std::vector<cv::Point>& blob) {
  const cv::Rect imageRect(cv::Point(0, 0), image.size());
  const cv::Rect box = cv::boundingRect(blob);
  const cv::Rect area = grown(box, kRingOuter) & imageRect;
  cv::Mat red;
  cv::extractChannel(image(area), red, 2);
  const double background = ringMedian(red, (grown(box, kRingInner) & imageRect) - area.tl());
  cv::Mat mask = cv::Mat::zeros(area.size(), CV_8UC1);
  cv::drawContours(mask, std::vector<std::vector<cv::Point>>{blob}, 0, cv::Scalar(255), cv::FILLED, cv::LINE_8,
                   cv::noArray(), INT_MAX, -area.tl());
  BlobMeasure m;
  m.strength = std::max(0.0, cv::sum(red & mask)[0] - background * cv::countNonZero(mask));
  cv::Mat local;
  cv::boxFilter(red, local, CV_32F, cv::Size(kPeakSide, kPeakSide), cv::Point(-1, -1), true, cv::BORDER_REPLICATE);
  cv::Point at;
  cv::minMaxLoc(local, nullptr, &m.peak, nullptr, &at, mask);
  m.peak = std::max(0.0, m.peak - background);
  m.peakAt = cv::Point2d(at + area.tl());
  return m;
}

}  // namespace talmeq::station
