// Drawing of the height calibration plot (see calibrationPlot.h).
#include "calibrationPlot.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "output.h"
#include "plotPanel.h"

namespace talmeq::cli {
namespace {

constexpr int kLeft = 80, kRight = 30, kTop = 50, kBottom = 60;  // margins, pixels
constexpr double kLargestBar = 60.0;                             // pixels of the largest error bar

plot::Panel panelFor(cv::Mat& canvas, const HeightCalibrationRun& run) {
  std::vector<double> xs, ys;
  for (const CalibrationPoint& p : run.points) {
    xs.push_back(p.displacement);
    ys.push_back(p.height);
    ys.push_back(p.fitted);
  }
  const cv::Rect area{kLeft, kTop, plot::kSize.width - kLeft - kRight, plot::kSize.height - kTop - kBottom};
  return plot::Panel(canvas, area, plot::paddedRange(xs), plot::paddedRange(ys));
}

}  // namespace

cv::Mat plotCalibration(const HeightCalibrationRun& run) {
  cv::Mat canvas = plot::blankCanvas(plot::kSize);
  const plot::Panel panel = panelFor(canvas, run);
  panel.frame("projected displacement", "height", 2, 1);
  const auto fitted = [&](double v) { return run.file.k * v + run.file.b; };
  cv::line(canvas, panel.at(panel.x().low, fitted(panel.x().low)), panel.at(panel.x().high, fitted(panel.x().high)),
           plot::kLine, 1, cv::LINE_8);
  double largest = 0.0;
  for (const CalibrationPoint& p : run.points) largest = std::max(largest, std::fabs(p.error));
  const double pixelsPerHeight = panel.area().height / (panel.y().high - panel.y().low);
  const double magnify = largest > 0.0 ? std::max(1.0, std::floor(kLargestBar / (largest * pixelsPerHeight))) : 1.0;
  for (const CalibrationPoint& p : run.points) {
    const cv::Point onLine = panel.at(p.displacement, p.fitted);
    const double bar = (p.height - p.fitted) * magnify;
    cv::line(canvas, onLine, panel.at(p.displacement, p.fitted + bar), plot::kError, 3, cv::LINE_8);
    plot::label(canvas, fixed(p.error, 4), panel.at(p.displacement, p.height) + cv::Point(10, 18), 0.4);
  }
  for (const CalibrationPoint& p : run.points)
    cv::circle(canvas, panel.at(p.displacement, p.height), plot::kPointRadius, plot::kPoint, cv::FILLED, cv::LINE_8);
  plot::label(canvas,
              "k = " + fixed(run.file.k, 6) + ", b = " + fixed(run.file.b, 6) + ", average error " +
                  fixed(run.averageError, 4) + ", error bars x" + fixed(magnify, 0),
              {kLeft, kTop - 15}, 0.5);
  return canvas;
}

}  // namespace talmeq::cli
