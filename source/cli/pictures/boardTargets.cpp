// Layout, raster and SVG of the calibration targets (see boardTargets.h).
#include "boardTargets.h"

#include <opencv2/aruco.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <sstream>

#include "cameraCalibration.h"

namespace talmeq::cli {
namespace {

using camera::kBoardMarkerLength;
using camera::kBoardMarkerSeparation;
using camera::kBoardMarkersX;
using camera::kBoardMarkersY;
constexpr double kChessPitch = camera::kChessPitch;
constexpr int kMarkerBorderBits = 1;
constexpr int kMarkerCells = 6 + 2 * kMarkerBorderBits;  // 6 x 6 bits inside a black frame

BoardLayout chessLayout() {
  BoardLayout layout{BoardKind::kChess, {}, kChessPitch, {}};
  const int squaresX = camera::kChessPattern.width + 1;
  const int squaresY = camera::kChessPattern.height + 1;
  layout.size = {squaresX * kChessPitch + 2 * layout.border, squaresY * kChessPitch + 2 * layout.border};
  for (int r = 0; r < squaresY; ++r) {
    for (int c = (r % 2); c < squaresX; c += 2)
      layout.dark.push_back({{layout.border + c * kChessPitch, layout.border + r * kChessPitch, kChessPitch, kChessPitch}, -1});
  }
  return layout;
}

// The black cells of one marker, placed with its top-left corner at `origin`.
void addMarkerCells(BoardLayout& layout, int id, const cv::Point2d& origin) {
  cv::Mat bits;
  cv::aruco::drawMarker(camera::boardDictionary(), id, kMarkerCells, bits, kMarkerBorderBits);
  const double cell = kBoardMarkerLength / kMarkerCells;
  for (int r = 0; r < kMarkerCells; ++r) {
    for (int c = 0; c < kMarkerCells; ++c) {
      if (bits.at<uchar>(r, c) == 0)
        layout.dark.push_back({{origin.x + c * cell, origin.y + r * cell, cell, cell}, id});
    }
  }
}

BoardLayout arucoLayout() {
  BoardLayout layout{BoardKind::kAruco, {}, kBoardMarkerSeparation, {}};
  layout.size = {kBoardMarkersX * kBoardMarkerLength + (kBoardMarkersX - 1) * kBoardMarkerSeparation + 2 * layout.border,
                 kBoardMarkersY * kBoardMarkerLength + (kBoardMarkersY - 1) * kBoardMarkerSeparation + 2 * layout.border};
  const cv::Ptr<cv::aruco::GridBoard> board = camera::gridBoard();
  for (std::size_t i = 0; i < board->ids.size(); ++i) {
    const cv::Point3f corner = board->objPoints[i][0];  // top-left, y grows downwards
    addMarkerCells(layout, board->ids[i], {layout.border + corner.x, layout.border + corner.y});
  }
  return layout;
}

int toPixels(double units, double pixelsPerUnit) {
  return static_cast<int>(std::lround(units * pixelsPerUnit));
}

}  // namespace

BoardLayout boardLayout(BoardKind kind) {
  return kind == BoardKind::kChess ? chessLayout() : arucoLayout();
}

double finestDetail(BoardKind kind) {
  return kind == BoardKind::kChess ? kChessPitch : kBoardMarkerLength / kMarkerCells;
}

cv::Mat rasterBoard(const BoardLayout& layout, double pixelsPerUnit) {
  const cv::Size size(toPixels(layout.size.width, pixelsPerUnit), toPixels(layout.size.height, pixelsPerUnit));
  if (layout.kind == BoardKind::kAruco) {
    cv::Mat image;
    camera::gridBoard()->draw(size, image, toPixels(layout.border, pixelsPerUnit), kMarkerBorderBits);
    return image;
  }
  cv::Mat image(size, CV_8UC1, cv::Scalar(255));
  for (const DarkRect& dark : layout.dark) {
    const cv::Point topLeft(toPixels(dark.rect.x, pixelsPerUnit), toPixels(dark.rect.y, pixelsPerUnit));
    const cv::Point bottomRight(toPixels(dark.rect.x + dark.rect.width, pixelsPerUnit),
                                toPixels(dark.rect.y + dark.rect.height, pixelsPerUnit));
    image(cv::Rect(topLeft, bottomRight)).setTo(0);
  }
  return image;
}

std::string svgBoard(const BoardLayout& layout, double unitMm) {
  std::ostringstream svg;
  svg.precision(10);
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << layout.size.width * unitMm << "mm\" height=\""
      << layout.size.height * unitMm << "mm\" viewBox=\"0 0 " << layout.size.width << ' ' << layout.size.height
      << "\" shape-rendering=\"crispEdges\">\n"
      << "<rect width=\"" << layout.size.width << "\" height=\"" << layout.size.height << "\" fill=\"white\"/>\n";
  int openMarker = -1;
  for (const DarkRect& dark : layout.dark) {
    if (dark.marker != openMarker) {
      if (openMarker >= 0) svg << "</g>\n";
      svg << "<g class=\"marker\" id=\"marker-" << dark.marker << "\">\n";
      openMarker = dark.marker;
    }
    svg << "<rect class=\"" << (dark.marker < 0 ? "square" : "cell") << "\" x=\"" << dark.rect.x << "\" y=\""
        << dark.rect.y << "\" width=\"" << dark.rect.width << "\" height=\"" << dark.rect.height
        << "\" fill=\"black\"/>\n";
  }
  if (openMarker >= 0) svg << "</g>\n";
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace talmeq::cli
