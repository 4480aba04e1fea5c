// The plane height measurement with its region spot locator as a parameter:
// getPlaneHeightByLinear runs it with getSpotCoordInRoI, and the tests run
// the same measurement on the whole-frame reading of the locator.
#pragma once

#include <opencv2/core.hpp>

#include <string>

namespace talmeq {

using RegionLocator = int (*)(cv::Mat image, cv::Rect roi, cv::Point& spot);

// The body of getPlaneHeightByLinear inside its exception boundary: same
// outputs and result codes, text exceptions pass out.
int measurePlaneHeight(const cv::Mat& image, const std::string& ymlPath, double& height, double& axisZ,
                       RegionLocator locate);

}  // namespace talmeq
