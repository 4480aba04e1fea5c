#include "boxRatioBound.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace talmeq::detail {
namespace {

// Above this many points the pairwise diameter costs more than the box.
constexpr std::size_t kMaxPoints = 256;

}  // namespace

bool boxRatioSurelyBelow(const Contour& contour, double area, double limit) {
  if (contour.size() > kMaxPoints || !(area > 0.0)) return false;
  std::int64_t diameterSquared = 0;
  for (std::size_t i = 0; i < contour.size(); ++i)
    for (std::size_t j = i + 1; j < contour.size(); ++j) {
      const std::int64_t dx = contour[i].x - contour[j].x, dy = contour[i].y - contour[j].y;
      diameterSquared = std::max(diameterSquared, dx * dx + dy * dy);
    }
  return static_cast<double>(diameterSquared) < limit * area;
}

}  // namespace talmeq::detail
