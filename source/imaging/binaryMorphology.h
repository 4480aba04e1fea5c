// Morphology on binary images held as bytes (0 or 255), computed only over
// the rectangle a caller needs. Neighbours beyond the buffer are neutral: a
// dilation never grows from them and an erosion never shrinks from them,
// which is what OpenCV's default border gives at the edge of an image.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::detail {

// One elementary step: a 3 x 3 cross, or a line of 2 * radius + 1 pixels
// along a row or a column, centred on the pixel.
struct MorphStep {
  enum class Shape { kCross, kRow, kColumn };
  enum class Op { kDilate, kErode };
  Shape shape;
  Op op;
  int radius;  // 1 for the cross, at most 127 for the lines
};
using MorphSteps = std::vector<MorphStep>;

// Closing with a 3 x 3 cross, `iterations` dilations then as many erosions.
MorphSteps crossClosing(int iterations);

// Closing with a rectangle of odd width and height, centred: a dilation then
// an erosion, each decomposed into a row line and a column line.
MorphSteps rectClosing(cv::Size kernel);

// How far, in columns and rows, the steps together look from a pixel.
cv::Size reachOf(const MorphSteps& steps);

// `r` grown by `reach` on every side.
cv::Rect grownBy(cv::Rect r, cv::Size reach);

// The box of the non-zero pixels of an 8-bit single-channel buffer; empty
// when there are none. Rows are tested as a whole and only the rows with
// foreground are merged, so a sparse buffer costs little more than one read.
cv::Rect foregroundBox(const cv::Mat& binary);

// Applies `steps` in order to `binary` (CV_8UC1, 0 or 255; used as scratch)
// and returns a buffer of the same size that holds the exact result inside
// `target`, a rectangle of the buffer; other pixels are unspecified. Exact
// means: as if the steps ran on the whole image, provided the buffer holds
// every pixel within reachOf(steps) of `target` except where the image
// itself ends.
cv::Mat applyMorphSteps(cv::Mat binary, const MorphSteps& steps, cv::Rect target);

// The same with the second buffer supplied: `scratch` (CV_8UC1, the size of
// `binary`) takes turns with `binary`; the result is one of the two.
cv::Mat applyMorphSteps(cv::Mat binary, const MorphSteps& steps, cv::Rect target, cv::Mat scratch);

}  // namespace talmeq::detail
