// Whether the markers found in a view can belong to the described board:
// their ids must be the board's and their corners must fit its layout under
// one homography. A view that does not fit is refused with what was seen,
// so that a set of photos of another board is not calibrated as this one.
#pragma once

#include <talmeq/boardDescription.h>

#include <string>
#include <vector>

#include "boardMarkers.h"

namespace talmeq::detail::boards {

struct MarkerFit {
  bool fits = true;
  std::string seen;  // when it does not fit: "ids 0–19 in a 4 x 5 layout; the board is 9 x 6 (ids 0–53)", or
                     // "ids 0–53 in a 9 x 6 layout, numbered in reverse order; the board is ..."
  std::vector<std::size_t> kept;  // indices of the markers on the board's layout (all when every one fits)
};

MarkerFit fitMarkers(const Markers& markers, const BoardDescription& board);

}  // namespace talmeq::detail::boards
