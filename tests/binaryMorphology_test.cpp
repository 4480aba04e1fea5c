// The byte morphology of the spot detector against OpenCV's morphologyEx
// with its default border, pixel for pixel, for both of the detector's
// closings and the region locator's closing and opening: on whole images of every small size, and on buffers cut to a
// target plus the steps' reach, with lone pixels next to every edge of the
// target, where only the target must match. The foreground box against
// OpenCV's bounding box.
#include "binaryMorphology.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace {

cv::Mat randomBinary(cv::RNG& rng, cv::Size size, double density) {
  cv::Mat noise(size, CV_32F), binary;
  rng.fill(noise, cv::RNG::UNIFORM, 0.0, 1.0);
  cv::compare(noise, density, binary, cv::CMP_LT);
  return binary;
}

cv::Mat closed(const cv::Mat& binary, int shape, cv::Size kernel, int iterations = 1) {
  cv::Mat result;
  cv::morphologyEx(binary, result, cv::MORPH_CLOSE, cv::getStructuringElement(shape, kernel), {-1, -1}, iterations);
  return result;
}

// The 3 x 3 cross closed three times; 101 x 11 followed by 11 x 101; and
// the region locator's cross closed five times, then opened.
void expectClosingsMatch(const cv::Mat& image, cv::Rect target) {
  using Step = talmeq::detail::MorphStep;
  talmeq::detail::MorphSteps dim = talmeq::detail::rectClosing({101, 11}),
                             columns = talmeq::detail::rectClosing({11, 101}), region = talmeq::detail::crossClosing(5);
  dim.insert(dim.end(), columns.begin(), columns.end());
  region.insert(region.end(),
                {{Step::Shape::kCross, Step::Op::kErode, 1}, {Step::Shape::kCross, Step::Op::kDilate, 1}});
  cv::Mat opened;
  cv::morphologyEx(closed(image, cv::MORPH_CROSS, {3, 3}, 5), opened, cv::MORPH_OPEN,
                   cv::getStructuringElement(cv::MORPH_CROSS, {3, 3}));
  const cv::Mat references[] = {closed(image, cv::MORPH_CROSS, {3, 3}, 3),
                                closed(closed(image, cv::MORPH_RECT, {101, 11}), cv::MORPH_RECT, {11, 101}), opened};
  const talmeq::detail::MorphSteps steps[] = {talmeq::detail::crossClosing(3), dim, region};
  for (int i = 0; i < 3; ++i) {
    const cv::Rect buffer =
        talmeq::detail::grownBy(target, talmeq::detail::reachOf(steps[i])) & cv::Rect({}, image.size());
    const cv::Mat result = talmeq::detail::applyMorphSteps(image(buffer).clone(), steps[i], target - buffer.tl());
    EXPECT_EQ(cv::countNonZero(references[i](target) != result(target - buffer.tl())), 0)
        << "closing " << i << ", image " << image.size() << ", target " << target;
  }
}

TEST(BinaryMorphology, MatchesOpenCvOnWholeImagesAndOnBuffersCutToTheTarget) {
  cv::RNG rng(11);
  for (int rows = 1; rows <= 24; ++rows)
    for (int cols = 1; cols <= 24; ++cols)
      expectClosingsMatch(randomBinary(rng, {cols, rows}, rng.uniform(0.02, 0.8)), {0, 0, cols, rows});
  for (int trial = 0; trial < 60 && !HasFailure(); ++trial) {
    const cv::Size size(rng.uniform(20, 700), rng.uniform(20, 700));
    cv::Mat image = randomBinary(rng, size, rng.uniform(0.0, 0.01));
    const cv::Rect target = cv::Rect(rng.uniform(0, size.width - 2), rng.uniform(0, size.height - 2),
                                     rng.uniform(2, size.width), rng.uniform(2, size.height)) &
                            cv::Rect({}, size);
    for (const int side : {-1, 0}) {  // lone pixels just outside and just inside each edge
      const int x = rng.uniform(target.x, target.br().x), y = rng.uniform(target.y, target.br().y);
      const int top = std::max(target.y + side, 0), bottom = std::min(target.br().y - 1 - side, size.height - 1);
      const int left = std::max(target.x + side, 0), right = std::min(target.br().x - 1 - side, size.width - 1);
      image.at<uchar>(top, x) = image.at<uchar>(bottom, x) = image.at<uchar>(y, left) = image.at<uchar>(y, right) = 255;
    }
    expectClosingsMatch(image, target);
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
    EXPECT_EQ(talmeq::detail::foregroundBox(binary), cv::countNonZero(binary) ? cv::boundingRect(binary) : cv::Rect())
        << size;
  }
}

}  // namespace
