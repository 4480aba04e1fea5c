#include "literalRegionLocator.h"

#include <opencv2/imgproc.hpp>

#include "callFrame.h"
#include "heightMeasurement.h"

namespace talmeq::test {
namespace {

// The region's red values, row by row, sorted from largest to smallest; the
// level comes from the element at index 100.
int sortedTrackLevel(const cv::Mat& redRegion) {
  std::vector<int> values;
  values.reserve(static_cast<std::size_t>(redRegion.rows) * static_cast<std::size_t>(redRegion.cols));
  for (int r = 0; r < redRegion.rows; ++r)
    for (int c = 0; c < redRegion.cols; ++c) values.push_back(redRegion.at<uchar>(r, c));
  std::sort(values.begin(), values.end(), std::greater<int>());
  return detail::region::trackLevel(values[detail::region::kLevelRank - 1]);
}

bool findBrightSpot(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot,
                    detail::region::Trace& trace) {
  cv::Mat grey, binary;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  cv::threshold(grey(roi), binary, detail::region::kSaturatedGrey, 255, cv::THRESH_BINARY);
  return detail::region::brightSpot(binary, cv::Point(0, 0), roi, cross, spot, trace);
}

int findTrackSpot(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot,
                  detail::region::Trace& trace) {
  std::vector<cv::Mat> planes;
  cv::split(image, planes);
  const cv::Mat red = planes[2](roi);
  cv::Mat mask = cv::Mat::zeros(image.size(), CV_8UC1);
  cv::line(mask, roi.tl(), cv::Point(roi.x + roi.width, roi.y + roi.height), cv::Scalar(255),
           detail::region::kBandThickness, cv::LINE_8, 0);
  cv::Mat binary;
  cv::threshold(red, binary, static_cast<double>(sortedTrackLevel(red)), 255, cv::THRESH_BINARY);
  cv::bitwise_and(binary, mask(roi), binary);
  return detail::region::trackSpot(binary, cv::Point(0, 0), red, roi, cross, spot, trace);
}

// The literal locator in the measurement's form.
int literalLocator(const cv::Mat& image, const cv::Rect& roi, cv::Point& spot, detail::region::Trace& trace) {
  return detail::region::locateWith(image, roi, spot, findBrightSpot, findTrackSpot, trace);
}

}  // namespace

int literalGetSpotCoordInRoI(cv::Mat image, cv::Rect roi, cv::Point& spot) {
  try {
    spot = cv::Point(0, 0);
    detail::region::Trace trace;
    return literalLocator(image, roi, spot, trace);
  } catch (const char*) {
    return kTextException;
  }
}

int literalGetPlaneHeightByLinear(cv::Mat image, std::string ymlPath, double& height, double& axisZ) {
  try {
    detail::MeasureTrace trace;
    return detail::measurePlaneHeight(image, ymlPath, height, axisZ, literalLocator, trace);
  } catch (const char*) {
    return kTextException;
  }
}

}  // namespace talmeq::test
