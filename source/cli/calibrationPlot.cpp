// Drawing of the height calibration plot (see calibrationPlot.h).
#include "calibrationPlot.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "output.h"

namespace talmeq::cli {
namespace {

constexpr int kLeft = 80, kRight = 30, kTop = 50, kBottom = 60;  // margins, pixels
constexpr int kTicks = 5;
constexpr double kLargestBar = 60.0;  // pixels of the largest error bar
const cv::Scalar kInk{0, 0, 0};
const cv::Scalar kGrid{225, 225, 225};

// Data range -> plot area.
struct Axes {
  double x0, x1, y0, y1;
  cv::Rect area;
  cv::Point at(double v, double h) const {
    return {area.x + static_cast<int>(std::lround((v - x0) / (x1 - x0) * area.width)),
            area.y + area.height - static_cast<int>(std::lround((h - y0) / (y1 - y0) * area.height))};
  }
};

void padRange(double& low, double& high) {
  const double span = high - low > 0.0 ? high - low : 1.0;
  low -= 0.08 * span;
  high += 0.08 * span;
}

Axes axesFor(const HeightCalibrationRun& run) {
  Axes axes{0.0,
            0.0,
            0.0,
            0.0,
            {kLeft, kTop, plot::kSize.width - kLeft - kRight, plot::kSize.height - kTop - kBottom}};
  axes.x0 = axes.x1 = run.points.front().displacement;
  axes.y0 = axes.y1 = run.points.front().height;
  for (const CalibrationPoint& p : run.points) {
    axes.x0 = std::min(axes.x0, p.displacement);
    axes.x1 = std::max(axes.x1, p.displacement);
    axes.y0 = std::min({axes.y0, p.height, p.fitted});
    axes.y1 = std::max({axes.y1, p.height, p.fitted});
  }
  padRange(axes.x0, axes.x1);
  padRange(axes.y0, axes.y1);
  return axes;
}

void text(cv::Mat& canvas, const std::string& label, cv::Point at, double size = 0.45) {
  cv::putText(canvas, label, at, cv::FONT_HERSHEY_SIMPLEX, size, kInk, 1, cv::LINE_AA);
}

void drawFrame(cv::Mat& canvas, const Axes& axes) {
  for (int i = 0; i <= kTicks; ++i) {
    const double v = axes.x0 + (axes.x1 - axes.x0) * i / kTicks;
    const double h = axes.y0 + (axes.y1 - axes.y0) * i / kTicks;
    const cv::Point vx = axes.at(v, axes.y0), hy = axes.at(axes.x0, h);
    cv::line(canvas, vx, {vx.x, axes.area.y}, kGrid);
    cv::line(canvas, hy, {axes.area.x + axes.area.width, hy.y}, kGrid);
    text(canvas, fixed(v, 2), {vx.x - 18, vx.y + 18});
    text(canvas, fixed(h, 1), {hy.x - 55, hy.y + 5});
  }
  cv::rectangle(canvas, axes.area, kInk);
  text(canvas, "projected displacement", {axes.area.x + axes.area.width / 2 - 90, plot::kSize.height - 15},
       0.5);
  text(canvas, "height", {8, kTop - 12}, 0.5);
}

}  // namespace

cv::Mat plotCalibration(const HeightCalibrationRun& run) {
  cv::Mat canvas(plot::kSize, CV_8UC3, cv::Scalar(255, 255, 255));
  const Axes axes = axesFor(run);
  drawFrame(canvas, axes);
  const auto fitted = [&](double v) { return run.file.k * v + run.file.b; };
  cv::line(canvas, axes.at(axes.x0, fitted(axes.x0)), axes.at(axes.x1, fitted(axes.x1)), plot::kLine, 1,
           cv::LINE_8);
  double largest = 0.0;
  for (const CalibrationPoint& p : run.points) largest = std::max(largest, p.error);
  const double pixelsPerHeight = axes.area.height / (axes.y1 - axes.y0);
  const double magnify =
      largest > 0.0 ? std::max(1.0, std::floor(kLargestBar / (largest * pixelsPerHeight))) : 1.0;
  for (const CalibrationPoint& p : run.points) {
    const cv::Point onLine = axes.at(p.displacement, p.fitted);
    const double bar = (p.height - p.fitted) * magnify;
    cv::line(canvas, onLine, axes.at(p.displacement, p.fitted + bar), plot::kError, 3, cv::LINE_8);
    text(canvas, fixed(p.error, 4), axes.at(p.displacement, p.height) + cv::Point(10, 18), 0.4);
  }
  for (const CalibrationPoint& p : run.points)
    cv::circle(canvas, axes.at(p.displacement, p.height), plot::kPointRadius, plot::kPoint, cv::FILLED,
               cv::LINE_8);
  text(canvas,
       "k = " + fixed(run.file.k, 6) + ", b = " + fixed(run.file.b, 6) + ", average error " +
           fixed(run.averageError, 4) + ", error bars x" + fixed(magnify, 0),
       {kLeft, kTop - 15}, 0.5);
  return canvas;
}

}  // namespace talmeq::cli
