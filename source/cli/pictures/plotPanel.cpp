// Plot areas (see plotPanel.h).
#include "plotPanel.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "output.h"

namespace talmeq::cli::plot {
namespace {

constexpr int kTicks = 5;
constexpr int kDash = 8;  // pixels of a dash and of its gap

}  // namespace

Range paddedRange(const std::vector<double>& values, double pad) {
  if (values.empty()) return {};
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  const double span = *high - *low > 0.0 ? *high - *low : 1.0;
  return {*low - pad * span, *high + pad * span};
}

cv::Mat blankCanvas(cv::Size size) { return cv::Mat(size, CV_8UC3, cv::Scalar(255, 255, 255)); }

void label(cv::Mat& canvas, const std::string& text, cv::Point at, double size, const cv::Scalar& colour) {
  cv::putText(canvas, text, at, cv::FONT_HERSHEY_SIMPLEX, size, colour, 1, cv::LINE_AA);
}

cv::Point Panel::at(double x, double y) const {
  return {area_.x + static_cast<int>(std::lround((x - x_.low) / (x_.high - x_.low) * area_.width)),
          area_.y + area_.height - static_cast<int>(std::lround((y - y_.low) / (y_.high - y_.low) * area_.height))};
}

void Panel::frame(const std::string& xTitle, const std::string& yTitle, int xDecimals, int yDecimals) const {
  for (int i = 0; i <= kTicks; ++i) {
    const double x = x_.low + (x_.high - x_.low) * i / kTicks;
    const double y = y_.low + (y_.high - y_.low) * i / kTicks;
    const cv::Point onX = at(x, y_.low), onY = at(x_.low, y);
    cv::line(canvas_, onX, {onX.x, area_.y}, kGrid);
    cv::line(canvas_, onY, {area_.x + area_.width, onY.y}, kGrid);
    label(canvas_, fixed(x, xDecimals), {onX.x - 18, onX.y + 18});
    label(canvas_, fixed(y, yDecimals), {onY.x - 62, onY.y + 5});
  }
  cv::rectangle(canvas_, area_, kInk);
  label(canvas_, xTitle, {area_.x + area_.width / 2 - 4 * static_cast<int>(xTitle.size()), area_.br().y + 40}, 0.5);
  label(canvas_, yTitle, {std::max(4, area_.x - 70), area_.y - 10}, 0.5);
}

void Panel::line(double x0, double y0, double x1, double y1, const cv::Scalar& colour, int thickness) const {
  cv::line(canvas_, at(x0, y0), at(x1, y1), colour, thickness, cv::LINE_AA);
}

void Panel::disc(double x, double y, int radius, const cv::Scalar& colour) const {
  cv::circle(canvas_, at(x, y), radius, colour, cv::FILLED, cv::LINE_AA);
}

void Panel::threshold(double y, const cv::Scalar& colour, const std::string& name) const {
  if (y < y_.low || y > y_.high) return;
  const int row = at(x_.low, y).y;
  for (int x = area_.x; x < area_.br().x; x += 2 * kDash)
    cv::line(canvas_, {x, row}, {std::min(x + kDash, area_.br().x), row}, colour, 1);
  label(canvas_, name, {area_.br().x - 8 * static_cast<int>(name.size()), row - 4}, 0.4, colour);
}

}  // namespace talmeq::cli::plot
