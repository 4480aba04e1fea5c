// The region spot locator read literally: grey conversion and channel split
// of the whole frame, the band drawn on a full-size mask, the list of the
// region's red values sorted. Slow but plainly right; the library's
// region-bounded locator is checked against it region by region, and the
// height measurement built on it is the benchmarks' reference.
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace talmeq::test {

// Same contract and result codes as getSpotCoordInRoI.
int literalGetSpotCoordInRoI(cv::Mat image, cv::Rect roi, cv::Point& spot);

// getPlaneHeightByLinear with the literal locator in place of the library's.
int literalGetPlaneHeightByLinear(cv::Mat image, std::string ymlPath, double& height, double& axisZ);

}  // namespace talmeq::test
