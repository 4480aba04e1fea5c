#include "windowForeground.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

#include "binaryMorphology.h"
#include "rankedValue.h"
#include "spotDetection.h"

namespace talmeq::spot {
namespace {

MorphSteps brightClosing() { return crossClosing(kCrossIterations); }

// The closing along rows, then the closing along columns.
MorphSteps dimClosings() {
  MorphSteps steps = rectClosing(kRowClosing);
  const MorphSteps columns = rectClosing(kColumnClosing);
  steps.insert(steps.end(), columns.begin(), columns.end());
  return steps;
}

// `r` grown by `by` on every side, clipped to an image of `size`.
cv::Rect grownWithin(cv::Rect r, cv::Size by, cv::Size size) {
  return grownBy(r, by) & cv::Rect(cv::Point(0, 0), size);
}

// Closes `binary` (covering `area` of the image) and frames its window part.
FramedWindow closeAndFrame(cv::Mat binary, cv::Rect area, cv::Rect window, const MorphSteps& steps) {
  const cv::Rect target = window - area.tl();
  const cv::Mat closed = applyMorphSteps(std::move(binary), steps, target);
  FramedWindow framed{cv::Mat::zeros(window.height + 2, window.width + 2, CV_8UC1),
                      window.tl() - cv::Point(1, 1)};
  closed(target).copyTo(framed.binary(cv::Rect(1, 1, window.width, window.height)));
  return framed;
}

}  // namespace

GreyAround greyAroundWindow(const cv::Mat& image, cv::Rect window) {
  GreyAround around{cv::Mat(), grownWithin(window, reachOf(brightClosing()), image.size())};
  cv::cvtColor(image(around.area), around.grey, cv::COLOR_BGR2GRAY);
  return around;
}

int windowThreshold(const GreyAround& grey, cv::Rect window) {
  return std::min(rankedValue(grey.grey(window - grey.area.tl()), kRankedPixels), kThresholdCap);
}

FramedWindow brightWindowForeground(const GreyAround& grey, cv::Rect window, int thr) {
  cv::Mat binary;
  cv::threshold(grey.grey, binary, thr, 255, cv::THRESH_BINARY);
  return closeAndFrame(std::move(binary), grey.area, window, brightClosing());
}

FramedWindow dimWindowForeground(const cv::Mat& image, cv::Rect window) {
  // The closings need the thresholded difference around the window; the
  // box filter needs red around that. Filtering a view of the red buffer
  // lets the box see real neighbours, and the image's own border rule
  // where the buffer ends at the image edge.
  const cv::Size boxReach(kBackgroundBox / 2, kBackgroundBox / 2);
  const cv::Rect closed = grownWithin(window, reachOf(dimClosings()), image.size());
  const cv::Rect read = grownWithin(closed, boxReach, image.size());
  cv::Mat red;
  cv::extractChannel(image(read), red, 2);
  const cv::Mat redClosed = red(closed - read.tl());
  cv::Mat binary;  // background, then the difference, then the thresholded difference
  cv::blur(redClosed, binary, cv::Size(kBackgroundBox, kBackgroundBox));
  cv::subtract(redClosed, binary, binary);
  cv::threshold(binary, binary, kDimDifference, 255, cv::THRESH_BINARY);
  return closeAndFrame(std::move(binary), closed, window, dimClosings());
}

}  // namespace talmeq::spot
