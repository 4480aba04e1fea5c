// Fitting the markers found to the described board's layout (see boardFit.h).
#include "boardFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/calib3d.hpp>

namespace talmeq::detail::boards {
namespace {

constexpr double kMinTolerance = 3.0;     // pixels: a homography's error on a board under mild lens distortion
constexpr double kSideTolerance = 0.15;   // ... or this share of the markers' side, whichever is larger
constexpr double kLayoutTolerance = 0.3;  // share of the side within which a guessed layout explains the markers

cv::Point2f centreOf(const std::vector<cv::Point2f>& corners) {
  return (corners[0] + corners[1] + corners[2] + corners[3]) * 0.25f;
}

double medianSide(const Markers& markers) {
  std::vector<double> sides;
  for (const auto& c : markers.corners)
    for (int i = 0; i < 4; ++i)
      sides.push_back(cv::norm(c[static_cast<std::size_t>(i)] - c[static_cast<std::size_t>((i + 1) % 4)]));
  std::nth_element(sides.begin(), sides.begin() + static_cast<long>(sides.size() / 2), sides.end());
  return sides[sides.size() / 2];
}

std::string idRange(int first, int last) { return std::to_string(first) + "–" + std::to_string(last); }

// Largest distance of a point from where the homography puts its partner, in pixels.
double worstResidual(const cv::Mat& h, const std::vector<cv::Point2f>& from, const std::vector<cv::Point2f>& to) {
  if (h.empty()) return std::numeric_limits<double>::infinity();
  std::vector<cv::Point2f> mapped;
  cv::perspectiveTransform(from, mapped, h);
  double worst = 0.0;
  for (std::size_t i = 0; i < to.size(); ++i) worst = std::max(worst, static_cast<double>(cv::norm(mapped[i] - to[i])));
  return worst;
}

// Which way the layout's ids run against the markers' own axes (from a
// marker's first corner to its second, and to its fourth): a board prints
// its ids left to right and top to bottom as its markers read.
std::string numbering(const cv::Mat& h, const Markers& markers) {
  cv::Point2f across, down;
  for (const auto& c : markers.corners) {
    across += c[1] - c[0];
    down += c[3] - c[0];
  }
  std::vector<cv::Point2f> grid{{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}}, image;
  cv::perspectiveTransform(grid, image, h);
  const bool columnsBack = (image[1] - image[0]).dot(across) < 0.0f;
  const bool rowsBack = (image[2] - image[0]).dot(down) < 0.0f;
  if (columnsBack && rowsBack) return ", numbered in reverse order";
  if (columnsBack) return ", numbered right to left";
  return rowsBack ? ", numbered bottom to top" : "";
}

// What the markers look like on their own: the grid width whose row-by-row
// numbering of the ids explains their centres best, when one does, and
// which way it runs.
std::string layoutSeen(const Markers& markers) {
  const auto [low, high] = std::minmax_element(markers.ids.begin(), markers.ids.end());
  const std::string ids = "ids " + idRange(*low, *high);
  const int span = *high - *low + 1;
  std::vector<cv::Point2f> centres;
  for (const auto& c : markers.corners) centres.push_back(centreOf(c));
  double best = std::numeric_limits<double>::infinity();
  int bestWidth = 0;
  cv::Mat bestHomography;
  for (int width = 2; width < span && markers.ids.size() >= 4; ++width) {
    std::vector<cv::Point2f> grid;
    for (int id : markers.ids)
      grid.emplace_back(static_cast<float>((id - *low) % width), static_cast<float>((id - *low) / width));
    const auto spread = [&](auto coordinate) {
      return std::any_of(grid.begin(), grid.end(),
                         [&](const cv::Point2f& p) { return coordinate(p) != coordinate(grid[0]); });
    };
    if (!spread([](const cv::Point2f& p) { return p.x; }) || !spread([](const cv::Point2f& p) { return p.y; }))
      continue;
    const cv::Mat h = cv::findHomography(grid, centres, 0);
    const double residual = worstResidual(h, grid, centres);
    if (residual < best) best = residual, bestWidth = width, bestHomography = h;
  }
  if (bestWidth == 0 || best > kLayoutTolerance * medianSide(markers)) return ids + " in no grid of consecutive ids";
  const int rows = (span + bestWidth - 1) / bestWidth;
  return ids + " in a " + std::to_string(bestWidth) + " x " + std::to_string(rows) + " layout" +
         numbering(bestHomography, markers);
}

std::string boardWords(const BoardDescription& board) {
  return "the board is " + std::to_string(board.columns) + " x " + std::to_string(board.rows) + " (ids " +
         idRange(board.firstId, board.firstId + boardMarkerCount(board) - 1) + ")";
}

}  // namespace

MarkerFit fitMarkers(const Markers& markers, const BoardDescription& board) {
  MarkerFit fit;
  const int count = boardMarkerCount(board);
  const bool idsOnBoard = std::all_of(markers.ids.begin(), markers.ids.end(),
                                      [&](int id) { return id >= board.firstId && id < board.firstId + count; });
  if (!idsOnBoard) return {false, layoutSeen(markers) + "; " + boardWords(board), {}};
  if (markers.ids.size() < 2) {
    for (std::size_t i = 0; i < markers.ids.size(); ++i) fit.kept.push_back(i);
    return fit;
  }
  const std::vector<std::vector<cv::Point3f>> onBoard = markerCornersOnBoard(board);
  std::vector<cv::Point2f> boardCorners, imageCorners;
  for (std::size_t i = 0; i < markers.ids.size(); ++i) {
    for (int k = 0; k < 4; ++k) {
      const cv::Point3f& p =
          onBoard[static_cast<std::size_t>(markers.ids[i] - board.firstId)][static_cast<std::size_t>(k)];
      boardCorners.emplace_back(p.x, p.y);
      imageCorners.push_back(markers.corners[i][static_cast<std::size_t>(k)]);
    }
  }
  const double tolerance = std::max(kMinTolerance, kSideTolerance * medianSide(markers));
  const cv::Mat h = cv::findHomography(boardCorners, imageCorners, cv::RANSAC, tolerance);
  for (std::size_t i = 0; i < markers.ids.size() && !h.empty(); ++i) {
    const std::vector<cv::Point2f> from(boardCorners.begin() + static_cast<long>(4 * i),
                                        boardCorners.begin() + static_cast<long>(4 * i + 4));
    if (worstResidual(h, from, markers.corners[i]) <= tolerance) fit.kept.push_back(i);
  }
  if (2 * fit.kept.size() < markers.ids.size() + 1 && markers.ids.size() > 2)
    return {false, layoutSeen(markers) + "; " + boardWords(board), {}};
  if (fit.kept.empty()) return {false, layoutSeen(markers) + "; " + boardWords(board), {}};
  return fit;
}

}  // namespace talmeq::detail::boards
