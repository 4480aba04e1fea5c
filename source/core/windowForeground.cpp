#include "windowForeground.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

#include "binaryMorphology.h"
#include "boxDifference.h"
#include "frameWorkspace.h"
#include "rankedValue.h"
#include "redChannel.h"
#include "spotDetection.h"

namespace talmeq::detail::spot {
namespace {

// The step lists are built once and only read afterwards.
const MorphSteps& brightClosing() {
  static const MorphSteps steps = crossClosing(kCrossIterations);
  return steps;
}

// The closing along rows, then the closing along columns.
const MorphSteps& dimClosings() {
  static const MorphSteps steps = [] {
    MorphSteps both = rectClosing(kRowClosing);
    const MorphSteps columns = rectClosing(kColumnClosing);
    both.insert(both.end(), columns.begin(), columns.end());
    return both;
  }();
  return steps;
}

// `r` grown by `by` on every side, clipped to an image of `size`.
cv::Rect grownWithin(cv::Rect r, cv::Size by, cv::Size size) {
  return grownBy(r, by) & cv::Rect(cv::Point(0, 0), size);
}

// Closes `binary` (covering `area` of the image) and frames the part of
// the window that can hold foreground. A closing makes foreground only
// within its reach of foreground, so only the part of the buffer within
// that reach (plus the pixel each step reads) of the box of its foreground
// is filtered, on its own: beyond it the buffer is zero and stays zero, and
// the part's edges see zeros or the buffer's own edges, as the whole buffer
// would. The window outside that part is zero, so the frame covers only the
// part's window pixels; it is empty when there are none.
FramedWindow closeAndFrame(cv::Mat binary, cv::Rect area, cv::Rect window, const MorphSteps& steps) {
  SpotWorkspace& workspace = spotWorkspace();
  const cv::Rect whole(cv::Point(0, 0), binary.size());
  const cv::Rect box = foregroundBox(binary);
  const cv::Rect part = box.empty() ? cv::Rect() : grownBy(box, reachOf(steps) + cv::Size(1, 1)) & whole;
  const cv::Rect inWindow = (window - area.tl()) & part;
  if (inWindow.empty()) return {cv::Mat(), window.tl()};
  const cv::Mat closed =
      applyMorphSteps(binary(part), steps, inWindow - part.tl(), reusedView(workspace.scratch, part.size(), CV_8UC1));
  FramedWindow framed{reusedView(workspace.framed, inWindow.size() + cv::Size(2, 2), CV_8UC1),
                      area.tl() + inWindow.tl() - cv::Point(1, 1)};
  closed(inWindow - part.tl()).copyTo(framed.binary(cv::Rect(cv::Point(1, 1), inWindow.size())));
  return framed;
}

}  // namespace

GreyAround greyAroundWindow(const cv::Mat& image, cv::Rect window) {
  const cv::Rect area = grownWithin(window, reachOf(brightClosing()), image.size());
  GreyAround around{reusedView(spotWorkspace().grey, area.size(), CV_8UC1), area};
  cv::cvtColor(image(around.area), around.grey, cv::COLOR_BGR2GRAY);
  return around;
}

int windowThreshold(const GreyAround& grey, cv::Rect window) {
  return std::min(rankedValue(grey.grey(window - grey.area.tl()), kRankedPixels), kThresholdCap);
}

FramedWindow brightWindowForeground(const GreyAround& grey, cv::Rect window, int thr) {
  cv::Mat binary = reusedView(spotWorkspace().binary, grey.area.size(), CV_8UC1);
  cv::threshold(grey.grey, binary, thr, 255, cv::THRESH_BINARY);
  return closeAndFrame(std::move(binary), grey.area, window, brightClosing());
}

FramedWindow dimWindowForeground(const cv::Mat& image, cv::Rect window) {
  // The closings need the thresholded difference around the window; the
  // box needs red around that. The box sums see real neighbours inside the
  // red buffer, and the image's own border rule where the buffer ends at
  // the image edge.
  const cv::Size boxReach(kBackgroundBox / 2, kBackgroundBox / 2);
  const cv::Rect closed = grownWithin(window, reachOf(dimClosings()), image.size());
  const cv::Rect read = grownWithin(closed, boxReach, image.size());
  SpotWorkspace& workspace = spotWorkspace();
  const cv::Mat red = redChannel(image, read, workspace.red);
  cv::Mat binary = reusedView(workspace.binary, closed.size(), CV_8UC1);
  boxDifferenceAbove(red, closed - read.tl(), kBackgroundBox, kDimDifference, binary, workspace.columnSums,
                     workspace.boxTotals);
  return closeAndFrame(std::move(binary), closed, window, dimClosings());
}

}  // namespace talmeq::detail::spot
