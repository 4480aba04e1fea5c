// The library's two internal functions. They are not exported from the
// shared library; the tests reach them through the static twin.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::detail {

// The spot's search window from a height calibration: the straight line
// through the first and last calibration points, from the position it
// predicts for height -5 over the next 37 height units. Width and height are
// negative when the spot moves towards smaller x or y as the height rises.
// Expects at least one point in each list and distinct first and last
// heights. Returns 0, or -999 (failure record "calRoI") for a text exception,
// leaving `roi` as it was.
int calRoI(std::vector<double> heights, std::vector<cv::Point> coords, cv::Rect& roi);

// Finds the laser spot inside `roi` of the BGR image: first one saturated
// blob in the grey image, otherwise one blob of the red channel near the
// region's diagonal that stands clearly above the region's mean.
//   spot  out: the centre in full-image pixels; (0, 0) unless a spot is found.
// Returns 0 (spot written, or one track blob too faint, spot left (0, 0)),
// -1 (the track pass ends with no blob or several, or the region is empty or
// holds fewer than 101 pixels when the track pass runs) or -999 for a text
// exception. Writes nothing to the logger. A region that does not lie inside
// the image or has a negative size raises cv::Exception, as does an image
// that cannot be converted from BGR to grey.
int getSpotCoordInRoI(cv::Mat image, cv::Rect roi, cv::Point& spot);

}  // namespace talmeq::detail
