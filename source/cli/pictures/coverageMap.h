// The picture of how a many-view calibration covered the image: the image
// cut into the report's 10 x 10 cells, each shaded by how many used views
// put a point in it (dark red for none, brighter green for more) with the
// count written in it, and every used view's points as small dots.
#pragma once

#include <talmeq/cameraCalibrationReport.h>

#include <opencv2/core.hpp>

namespace talmeq::cli {

cv::Mat drawCoverageMap(const CameraCalibrationReport& report);

}  // namespace talmeq::cli
