// The spot and height exports behind the C interface.
#include <talmeqAlgorithm.h>

#include <string>
#include <vector>

#include "guardedCall.h"
#include "imageArguments.h"

using talmeq::bindings::FrameLayout;
using namespace talmeq::capi;

int talmeq_getSpotCoord(const talmeq_image* image, talmeq_point* coord) {
  return guardedCall([&] {
    require(coord != nullptr, "coord is missing");
    *coord = {0, 0};
    const cv::Mat frame = inputImage(image, FrameLayout::Colour);
    cv::Point spot;
    const int code = getSpotCoord(frame, spot);
    *coord = {spot.x, spot.y};
    return code;
  });
}

int talmeq_getCalibrationParamByLinear(const double* heights, int heightCount, const talmeq_point* coords,
                                       int coordCount, const char* ymlPath) {
  return guardedCall([&] {
    require(heightCount >= 0 && (heightCount == 0 || heights != nullptr), "heights are missing");
    require(coordCount >= 0 && (coordCount == 0 || coords != nullptr), "coords are missing");
    std::vector<cv::Point> points;
    points.reserve(static_cast<std::size_t>(coordCount));
    for (int i = 0; i < coordCount; ++i) points.emplace_back(coords[i].x, coords[i].y);
    return getCalibrationParamByLinear(std::vector<double>(heights, heights + heightCount), points, inputPath(ymlPath));
  });
}

int talmeq_correctYml(double fromZ, double toZ, const char* ymlPath) {
  return guardedCall([&] { return correctYml(fromZ, toZ, inputPath(ymlPath)); });
}

int talmeq_getPlaneHeightByLinear(const talmeq_image* image, const char* ymlPath, double* height, double* axisZ) {
  return guardedCall([&] {
    require(height != nullptr && axisZ != nullptr, "height or axisZ is missing");
    const cv::Mat frame = inputImage(image, FrameLayout::Colour);
    return getPlaneHeightByLinear(frame, inputPath(ymlPath), *height, *axisZ);
  });
}
