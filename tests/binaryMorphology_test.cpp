// The byte morphology of the spot detector against OpenCV's morphologyEx
// with its default border, pixel for pixel: on whole images of every small
// size, and on buffers cut to a target plus the steps' reach, where only the
// target must match. The foreground box against OpenCV's bounding box.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <functional>
#include <string>

#include "binaryMorphology.h"

namespace {

using talmeq::applyMorphSteps;
using talmeq::MorphSteps;

cv::Mat randomBinary(cv::RNG& rng, cv::Size size, double density) {
  cv::Mat noise(size, CV_32F), binary;
  rng.fill(noise, cv::RNG::UNIFORM, 0.0, 1.0);
  cv::compare(noise, density, binary, cv::CMP_LT);
  return binary;
}

cv::Mat openCvClosing(const cv::Mat& binary, int shape, cv::Size kernel, int iterations) {
  cv::Mat closed;
  cv::morphologyEx(binary, closed, cv::MORPH_CLOSE, cv::getStructuringElement(shape, kernel), cv::Point(-1, -1),
                   iterations);
  return closed;
}

// The spot detector's closings: a 3 x 3 cross three times; or 101 x 11
// followed by 11 x 101.
struct Closing {
  MorphSteps steps;
  std::function<cv::Mat(const cv::Mat&)> reference;
};

Closing crossClosing() {
  return {talmeq::crossClosing(3), [](const cv::Mat& b) { return openCvClosing(b, cv::MORPH_CROSS, {3, 3}, 3); }};
}

Closing rowsThenColumns() {
  MorphSteps steps = talmeq::rectClosing({101, 11});
  const MorphSteps columns = talmeq::rectClosing({11, 101});
  steps.insert(steps.end(), columns.begin(), columns.end());
  return {steps, [](const cv::Mat& b) {
            return openCvClosing(openCvClosing(b, cv::MORPH_RECT, {101, 11}, 1), cv::MORPH_RECT, {11, 101}, 1);
          }};
}

void expectEqualInside(const cv::Mat& expected, const cv::Mat& actual, cv::Rect r, const std::string& label) {
  EXPECT_EQ(cv::countNonZero(expected(r) != actual(r)), 0) << label;
}

TEST(BinaryMorphology, WholeImagesOfEverySmallSizeMatchOpenCv) {
  cv::RNG rng(5);
  for (const Closing& closing : {crossClosing(), rowsThenColumns()}) {
    for (int rows = 1; rows <= 24; ++rows) {
      for (int cols = 1; cols <= 24; ++cols) {
        const cv::Mat binary = randomBinary(rng, {cols, rows}, rng.uniform(0.02, 0.8));
        const cv::Rect whole(0, 0, cols, rows);
        expectEqualInside(closing.reference(binary), applyMorphSteps(binary.clone(), closing.steps, whole), whole,
                          std::to_string(cols) + "x" + std::to_string(rows));
      }
    }
  }
}

TEST(BinaryMorphology, BufferCutToTargetPlusReachMatchesTheWholeImageInsideTheTarget) {
  cv::RNG rng(11);
  for (const Closing& closing : {crossClosing(), rowsThenColumns()}) {
    const cv::Size reach = talmeq::reachOf(closing.steps);
    for (int trial = 0; trial < 60; ++trial) {
      const cv::Size size(rng.uniform(20, 700), rng.uniform(20, 700));
      const cv::Mat image = randomBinary(rng, size, rng.uniform(0.001, 0.05));
      const cv::Mat expected = closing.reference(image);
      const cv::Point tl(rng.uniform(0, size.width - 1), rng.uniform(0, size.height - 1));
      const cv::Rect target =
          cv::Rect(tl, cv::Size(rng.uniform(1, size.width), rng.uniform(1, size.height))) & cv::Rect({}, size);
      const cv::Rect buffer = talmeq::grownBy(target, reach) & cv::Rect({}, size);
      const cv::Mat result = applyMorphSteps(image(buffer).clone(), closing.steps, target - buffer.tl());
      const std::string label = "trial " + std::to_string(trial);
      EXPECT_EQ(cv::countNonZero(expected(target) != result(target - buffer.tl())), 0) << label;
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
