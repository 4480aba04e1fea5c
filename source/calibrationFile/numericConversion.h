// Conversion of computed positions to whole pixels.
#pragma once

#include <climits>
#include <cmath>

namespace talmeq::detail {

// Truncation toward zero, saturated at the int range (NaN gives 0), so that a
// damaged calibration never makes the conversion undefined.
inline int truncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace talmeq::detail
