// The byte morphology of the spot detector against OpenCV's morphologyEx
// with its default border, pixel for pixel: whole images of every small
// size, and buffers cut to a target plus the steps' reach, with single
// pixels next to every edge of the target, where only the target must
// match. The foreground box against OpenCV's bounding box.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <functional>
#include <string>

#include "binaryMorphology.h"

namespace {

cv::Mat randomBinary(cv::RNG& rng, cv::Size size, double density) {
  cv::Mat noise(size, CV_32F), binary;
  rng.fill(noise, cv::RNG::UNIFORM, 0.0, 1.0);
  cv::compare(noise, density, binary, cv::CMP_LT);
  return binary;
}

cv::Mat openCvClosing(const cv::Mat& binary, int shape, cv::Size kernel, int iterations = 1) {
  cv::Mat closed;
  cv::morphologyEx(binary, closed, cv::MORPH_CLOSE, cv::getStructuringElement(shape, kernel), cv::Point(-1, -1),
                   iterations);
  return closed;
}

// The spot detector's closings: a 3 x 3 cross three times; or 101 x 11
// followed by 11 x 101.
struct Closing {
  talmeq::MorphSteps steps;
  std::function<cv::Mat(const cv::Mat&)> reference;
};

std::vector<Closing> closings() {
  talmeq::MorphSteps rowsThenColumns = talmeq::rectClosing({101, 11});
  const talmeq::MorphSteps columns = talmeq::rectClosing({11, 101});
  rowsThenColumns.insert(rowsThenColumns.end(), columns.begin(), columns.end());
  return {{talmeq::crossClosing(3), [](const cv::Mat& b) { return openCvClosing(b, cv::MORPH_CROSS, {3, 3}, 3); }},
          {rowsThenColumns, [](const cv::Mat& b) {
             return openCvClosing(openCvClosing(b, cv::MORPH_RECT, {101, 11}), cv::MORPH_RECT, {11, 101});
           }}};
}

TEST(BinaryMorphology, WholeImagesOfEverySmallSizeMatchOpenCv) {
  cv::RNG rng(5);
  for (const Closing& closing : closings())
    for (int rows = 1; rows <= 24; ++rows)
      for (int cols = 1; cols <= 24; ++cols) {
        const cv::Mat binary = randomBinary(rng, {cols, rows}, rng.uniform(0.02, 0.8));
        const cv::Mat result = talmeq::applyMorphSteps(binary.clone(), closing.steps, {0, 0, cols, rows});
        EXPECT_EQ(cv::countNonZero(closing.reference(binary) != result), 0) << cols << "x" << rows;
      }
}

TEST(BinaryMorphology, BufferCutToTargetPlusReachMatchesTheWholeImageInsideTheTarget) {
  cv::RNG rng(11);
  for (const Closing& closing : closings()) {
    const cv::Size reach = talmeq::reachOf(closing.steps);
    for (int trial = 0; trial < 60; ++trial) {
      const cv::Size size(rng.uniform(20, 700), rng.uniform(20, 700));
      cv::Mat image = randomBinary(rng, size, rng.uniform(0.0, 0.01));
      const cv::Point tl(rng.uniform(0, size.width - 2), rng.uniform(0, size.height - 2));
      const cv::Rect target = cv::Rect(tl, cv::Size(rng.uniform(2, size.width), rng.uniform(2, size.height))) &
                              cv::Rect({}, size);
      // Lone pixels just inside and just outside each edge of the target.
      for (const int side : {-1, 0}) {
        image.at<uchar>(std::max(target.y + side, 0), rng.uniform(target.x, target.x + target.width)) = 255;
        image.at<uchar>(std::min(target.br().y - 1 - side, size.height - 1),
                        rng.uniform(target.x, target.x + target.width)) = 255;
        image.at<uchar>(rng.uniform(target.y, target.y + target.height), std::max(target.x + side, 0)) = 255;
        image.at<uchar>(rng.uniform(target.y, target.y + target.height),
                        std::min(target.br().x - 1 - side, size.width - 1)) = 255;
      }
      const cv::Rect buffer = talmeq::grownBy(target, reach) & cv::Rect({}, size);
      const cv::Mat result = talmeq::applyMorphSteps(image(buffer).clone(), closing.steps, target - buffer.tl());
      EXPECT_EQ(cv::countNonZero(closing.reference(image)(target) != result(target - buffer.tl())), 0)
          << "trial " << trial << ", target " << target;
    }
  }
}

TEST(BinaryMorphology, ForegroundBoxIsTheBoundingBoxOfTheNonZeroPixels) {
  cv::RNG rng(17);
  for (int trial = 0; trial < 400; ++trial) {
    const cv::Size size(rng.uniform(1, 90), rng.uniform(1, 90));
    // From empty through single pixels (often on an edge) to dense.
    cv::Mat binary = trial % 4 == 0 ? cv::Mat::zeros(size, CV_8UC1) : randomBinary(rng, size, rng.uniform(0.0, 0.05));
    if (trial % 4 == 1) binary.at<uchar>(rng.uniform(0, size.height), size.width - 1) = 255;
    if (trial % 4 == 2) binary.at<uchar>(size.height - 1, rng.uniform(0, size.width)) = 1;
    const cv::Rect expected = cv::countNonZero(binary) == 0 ? cv::Rect() : cv::boundingRect(binary);
    EXPECT_EQ(talmeq::foregroundBox(binary), expected) << size << " trial " << trial;
  }
}

}  // namespace
