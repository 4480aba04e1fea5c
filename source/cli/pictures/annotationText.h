// The size of the marks and the text block of the tool's pictures. Marks and
// text grow with the image, so that they stay visible on an 8000 x 6000
// frame as on a 640 x 480 one.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <utility>
#include <vector>

namespace talmeq::cli {

class MarkScale {
 public:
  // One unit per 480 pixels of the image's shorter side, at least one.
  explicit MarkScale(cv::Size imageSize);
  int thickness() const;           // line thickness, pixels
  int pixels(double base) const;   // a length of `base` pixels at 640 x 480
  double font(double base) const;  // a font scale of `base` at 640 x 480

 private:
  double factor_;
};

using TextLine = std::pair<std::string, cv::Scalar>;

// Writes `lines` from the top left, one under the other, each in its colour
// on a dark strip that keeps it readable on any background.
void drawTextLines(cv::Mat& canvas, const std::vector<TextLine>& lines, const MarkScale& scale);

// A cross of half length `arm` at `centre`.
void drawCross(cv::Mat& canvas, const cv::Point& centre, int arm, const cv::Scalar& colour, int thickness);

}  // namespace talmeq::cli
