// Mark sizes and text blocks of the pictures (see annotationText.h).
#include "annotationText.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace talmeq::cli {
namespace {

constexpr double kReferenceSide = 480.0;
constexpr int kFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kFontScale = 0.45;
constexpr int kMargin = 6;

// `text` broken at blanks into pieces no wider than `width` pixels (a
// single word wider than that stays whole).
std::vector<std::string> wrapped(const std::string& text, int width, double size, int thickness) {
  std::vector<std::string> pieces;
  std::string piece;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const std::string word = text.substr(start, end - start);
    const std::string longer = piece.empty() ? word : piece + " " + word;
    int baseline = 0;
    if (!piece.empty() && cv::getTextSize(longer, kFont, size, thickness, &baseline).width > width) {
      pieces.push_back(piece);
      piece = word;
    } else {
      piece = longer;
    }
    start = end + 1;
  }
  pieces.push_back(piece);
  return pieces;
}

}  // namespace

MarkScale::MarkScale(cv::Size imageSize)
    : factor_(std::max(1.0, std::min(imageSize.width, imageSize.height) / kReferenceSide)) {}

int MarkScale::thickness() const { return std::max(1, static_cast<int>(std::lround(factor_))); }

int MarkScale::pixels(double base) const { return static_cast<int>(std::lround(base * factor_)); }

double MarkScale::font(double base) const { return base * factor_; }

void drawTextLines(cv::Mat& canvas, const std::vector<TextLine>& lines, const MarkScale& scale) {
  const double size = scale.font(kFontScale);
  const int thickness = scale.thickness();
  int baseline = 0;
  const int lineHeight = cv::getTextSize("Ag", kFont, size, thickness, &baseline).height + baseline + scale.pixels(4);
  int y = scale.pixels(kMargin);
  const int width = canvas.cols - 2 * scale.pixels(kMargin);
  for (const auto& [text, colour] : lines) {
    for (const std::string& piece : wrapped(text, width, size, thickness)) {
      const cv::Size extent = cv::getTextSize(piece, kFont, size, thickness, &baseline);
      const cv::Rect strip(0, y, extent.width + 2 * scale.pixels(kMargin), lineHeight);
      canvas(strip & cv::Rect({0, 0}, canvas.size())).setTo(cv::Scalar::all(0));
      cv::putText(canvas, piece, {scale.pixels(kMargin), y + extent.height + scale.pixels(2)}, kFont, size, colour,
                  thickness, cv::LINE_AA);
      y += lineHeight;
    }
  }
}

void drawCross(cv::Mat& canvas, const cv::Point& centre, int arm, const cv::Scalar& colour, int thickness) {
  cv::line(canvas, centre - cv::Point(arm, 0), centre + cv::Point(arm, 0), colour, thickness, cv::LINE_8);
  cv::line(canvas, centre - cv::Point(0, arm), centre + cv::Point(0, arm), colour, thickness, cv::LINE_8);
}

}  // namespace talmeq::cli
