// A plot area on a white canvas: a data range mapped onto a rectangle of
// pixels, with its frame, grid, tick labels and axis titles, and the marks
// the tool's plots are made of (points, lines, dashed threshold lines).
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace talmeq::cli::plot {

inline const cv::Scalar kInk{0, 0, 0};
inline const cv::Scalar kGrid{225, 225, 225};

struct Range {
  double low = 0.0, high = 1.0;
};

// The range of `values` widened by `pad` of its span on each side (a span
// of 1 around a single value); {0, 1} for none.
Range paddedRange(const std::vector<double>& values, double pad = 0.08);

// A white canvas of `size`, 8-bit BGR.
cv::Mat blankCanvas(cv::Size size);

// Text in ink (or `colour`) with its baseline starting at `at`.
void label(cv::Mat& canvas, const std::string& text, cv::Point at, double size = 0.45, const cv::Scalar& colour = kInk);

class Panel {
 public:
  Panel(cv::Mat& canvas, cv::Rect area, Range x, Range y) : canvas_(canvas), area_(area), x_(x), y_(y) {}

  cv::Point at(double x, double y) const;
  const cv::Rect& area() const { return area_; }
  const Range& x() const { return x_; }
  const Range& y() const { return y_; }

  // Grid, frame, five ticks per axis with labels of the given decimals, the
  // x title under the frame and the y title above its top left corner.
  void frame(const std::string& xTitle, const std::string& yTitle, int xDecimals, int yDecimals) const;

  void line(double x0, double y0, double x1, double y1, const cv::Scalar& colour, int thickness = 1) const;
  void disc(double x, double y, int radius, const cv::Scalar& colour) const;
  // A dashed horizontal line across the panel at `y`, named at its right end.
  void threshold(double y, const cv::Scalar& colour, const std::string& name) const;

 private:
  cv::Mat& canvas_;
  cv::Rect area_;
  Range x_, y_;
};

}  // namespace talmeq::cli::plot
