// The stages that replace OpenCV calls to reuse their memory, against those
// calls: contour tracing in place against cv::findContours, contour filling
// against cv::drawContours, the certain box-ratio bound against
// cv::minAreaRect, the dim
// method's one-pass background difference against blur, subtract and
// threshold, and the spot reading's 5 x 5 box means against
// cv::boxFilter and cv::minMaxLoc. Random binary and grey images of many shapes, down to
// the smallest, each stage run repeatedly on one thread so that its reused
// buffers carry the previous image's contents.
#include <boxDifference.h>
#include <boxMean.h>
#include <boxRatioBound.h>
#include <gtest/gtest.h>
#include <polygonFill.h>

#include <opencv2/imgproc.hpp>

namespace {

// Sizes from the smallest each stage accepts to wider than tall and back.
const cv::Size kSizes[] = {{3, 3}, {1, 9}, {9, 1}, {4, 30}, {30, 4}, {17, 23}, {64, 48}, {131, 77}};

// Blobs of foreground (255) at `density`, grown so that contours nest,
// touch the edges and enclose holes.
cv::Mat randomBinary(cv::RNG& rng, cv::Size size, double density) {
  cv::Mat noise(size, CV_8UC1);
  rng.fill(noise, cv::RNG::UNIFORM, 0, 256);
  cv::Mat binary = noise < 256 * density;
  if (rng.uniform(0, 2) == 1) cv::dilate(binary, binary, cv::Mat());
  return binary;
}

TEST(ReusedStages, TracingInPlaceFindsWhatFindContoursFinds) {
  cv::RNG rng(7);
  talmeq::detail::ContourStore store;
  talmeq::detail::Contours traced;
  for (const int mode : {cv::RETR_LIST, cv::RETR_EXTERNAL})
    for (const cv::Size size : kSizes)
      for (const double density : {0.0, 0.05, 0.3, 0.7, 1.0})
        for (int trial = 0; trial < 4; ++trial) {
          const cv::Mat binary = randomBinary(rng, size, density);
          const cv::Point at(rng.uniform(-5, 50), rng.uniform(-5, 50));
          talmeq::detail::Contours expected;
          cv::findContours(binary, expected, mode, cv::CHAIN_APPROX_SIMPLE, at);
          // The buffer to trace: the image inside a ring of stale pixels,
          // which tracing must take as background.
          cv::Mat framed(size + cv::Size(2, 2), CV_8UC1, cv::Scalar(255));
          binary.copyTo(framed(cv::Rect(cv::Point(1, 1), size)));
          talmeq::detail::traceContours(framed, mode, at - cv::Point(1, 1), traced, store);
          EXPECT_EQ(traced, expected) << "mode " << mode << " size " << size << " density " << density;
        }
}

// Traced contours (outer borders and holes, as the detectors fill them) and
// random polygons whose edges cross, filled on canvases they overlap only in
// part, onto the same stale pixels.
TEST(ReusedStages, FillingPaintsWhatDrawContoursPaints) {
  cv::RNG rng(9);
  talmeq::detail::PolygonEdges scratch;
  for (const cv::Size size : kSizes)
    for (int trial = 0; trial < 24; ++trial) {
      talmeq::detail::Contours contours;
      if (trial % 3 == 2) {
        contours.resize(rng.uniform(1, 4));
        for (talmeq::detail::Contour& polygon : contours)
          for (int i = rng.uniform(1, 9); i > 0; --i)
            polygon.emplace_back(rng.uniform(-4, size.width + 4), rng.uniform(-4, size.height + 4));
      } else {
        talmeq::detail::Contours all;
        cv::findContours(randomBinary(rng, size, trial % 3 == 0 ? 0.05 : 0.4), all, cv::RETR_LIST,
                         cv::CHAIN_APPROX_SIMPLE);
        for (const talmeq::detail::Contour& c : all)
          if (rng.uniform(0, 3) > 0) contours.push_back(c);
        if (contours.empty()) continue;
      }
      const cv::Size canvasSize(rng.uniform(1, size.width + 6), rng.uniform(1, size.height + 6));
      const cv::Point offset(rng.uniform(-3, 4), rng.uniform(-3, 4));
      cv::Mat expected(canvasSize, CV_8UC1);
      rng.fill(expected, cv::RNG::UNIFORM, 0, 2);
      cv::Mat filled = expected.clone();
      cv::drawContours(expected, contours, -1, cv::Scalar(255), cv::FILLED, cv::LINE_8, cv::noArray(), INT_MAX, offset);
      talmeq::detail::fillContours(filled, contours, offset, scratch);
      EXPECT_EQ(cv::countNonZero(filled != expected), 0) << size << " trial " << trial;
    }
}

// Blobs of every shape, from specks to long bars at any angle: whenever the
// bound is sure, cv::minAreaRect's box agrees; it is sure for round blobs.
TEST(ReusedStages, SureBoxRatioAgreesWithMinAreaRect) {
  constexpr double kLimit = 2.9;
  cv::RNG rng(5);
  int sure = 0;
  for (int trial = 0; trial < 400; ++trial) {
    cv::Mat blob = cv::Mat::zeros(60, 60, CV_8UC1);
    const cv::Size axes(rng.uniform(1, 25), rng.uniform(1, 25));
    cv::ellipse(blob, cv::Point(30, 30), axes, rng.uniform(0.0, 180.0), 0, 360, cv::Scalar(255), cv::FILLED);
    talmeq::detail::Contours contours;
    cv::findContours(blob, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    const double area = cv::contourArea(contours[0]);
    if (!talmeq::detail::boxRatioSurelyBelow(contours[0], area, kLimit)) continue;
    ++sure;
    const cv::RotatedRect box = cv::minAreaRect(contours[0]);
    const double ratio = static_cast<double>(box.size.width) / box.size.height;
    EXPECT_TRUE(ratio < kLimit && ratio > 1 / kLimit) << axes << " ratio " << ratio;
  }
  EXPECT_GT(sure, 100);
  const talmeq::detail::Contour bar{{0, 0}, {0, 2}, {20, 2}, {20, 0}};
  EXPECT_FALSE(talmeq::detail::boxRatioSurelyBelow(bar, 40.0, kLimit));
}

TEST(ReusedStages, OnePassBackgroundDifferenceIsBlurSubtractThreshold) {
  cv::RNG rng(11);
  std::vector<int> sums, totals;
  for (const cv::Size size : kSizes)
    for (const int side : {1, 3, 51})
      for (int trial = 0; trial < 6; ++trial) {
        // Smooth grey with bright specks: differences near the threshold.
        cv::Mat values(size, CV_8UC1);
        rng.fill(values, cv::RNG::UNIFORM, 0, 120);
        values.setTo(cv::Scalar(rng.uniform(150, 256)), randomBinary(rng, size, 0.1));
        const int threshold = rng.uniform(0, 80);
        cv::Mat background, difference, expected;
        cv::blur(values, background, cv::Size(side, side));
        cv::subtract(values, background, difference);
        cv::threshold(difference, expected, threshold, 255, cv::THRESH_BINARY);
        const int x = rng.uniform(0, size.width), y = rng.uniform(0, size.height);
        const cv::Rect inner(x, y, rng.uniform(1, size.width - x + 1), rng.uniform(1, size.height - y + 1));
        cv::Mat out(inner.size(), CV_8UC1, cv::Scalar(7));
        talmeq::detail::boxDifferenceAbove(values, inner, side, threshold, out, sums, totals);
        EXPECT_EQ(cv::countNonZero(out != expected(inner)), 0) << size << " box " << side << " inner " << inner;
      }
}

// Widths from 1 to 12 (the filter's vector path and its tail), grey values
// with clipped plateaus so that equal sums tie, and masks from empty to full:
// the sums to the bit, the brightest mean and where.
TEST(ReusedStages, BoxSumsAreTheIntegerBoxFilter) {
  cv::RNG rng(15);
  for (int width = 1; width <= 12; ++width)
    for (const int height : {1, 2, 5, 9, 23})
      for (const double density : {0.0, 0.1, 0.5, 1.0}) {
        const cv::Size size(width * (1 + rng.uniform(0, 3) * 4), height);
        cv::Mat values(size, CV_8UC1);
        rng.fill(values, cv::RNG::UNIFORM, 0, 256);
        values.setTo(255, randomBinary(rng, size, 0.3));
        cv::Mat sums;
        cv::boxFilter(values, sums, CV_32S, cv::Size(5, 5), cv::Point(-1, -1), false, cv::BORDER_REPLICATE);
        cv::Mat ours(size, CV_32S);
        for (int y = 0; y < size.height; ++y)
          for (int x = 0; x < size.width; ++x) ours.at<int>(y, x) = talmeq::detail::boxSum(values, x, y);
        EXPECT_EQ(cv::countNonZero(ours != sums), 0) << size;
        const cv::Mat mask = randomBinary(rng, size, density);
        double highest = 0.0;
        cv::Point at;
        cv::minMaxLoc(sums, nullptr, &highest, nullptr, &at, mask);
        const talmeq::detail::BoxPeak peak = talmeq::detail::brightestBoxMean(values, mask);
        EXPECT_EQ(peak.value, highest / 25.0) << size << " density " << density;
        EXPECT_EQ(peak.at, at) << size << " density " << density;
      }
}

}  // namespace
