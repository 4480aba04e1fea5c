// The camera calibration and image correction exports behind the C interface.
#include <talmeqAlgorithm.h>

#include <string>
#include <vector>

#include "guardedCall.h"
#include "imageArguments.h"

using talmeq::bindings::FrameLayout;
using namespace talmeq::capi;

namespace {

using MarkerCorners = std::vector<cv::Point2f>;

MarkerCorners cornersOf(const talmeq_marker& marker) {
  MarkerCorners corners;
  for (int i = 0; i < 4; ++i) corners.emplace_back(marker.corners[2 * i], marker.corners[2 * i + 1]);
  return corners;
}

}  // namespace

int talmeq_calibChess(const talmeq_image* image, talmeq_camera* camera) {
  return guardedCall([&] {
    require(camera != nullptr, "camera is missing");
    const cv::Mat frame = inputImage(image, FrameLayout::Colour);
    cv::Mat cameraMatrix, distCoeffs;
    const int code = calibChess(frame, cameraMatrix, distCoeffs);
    if (code == 0) writeCamera(cameraMatrix, distCoeffs, *camera);
    return code;
  });
}

int talmeq_getArucoCorners(const talmeq_image* image, talmeq_marker* markers, int capacity, int* count) {
  return guardedCall([&] {
    require(count != nullptr, "count is missing");
    require(capacity >= 0 && (capacity == 0 || markers != nullptr), "markers are missing");
    const cv::Mat frame = inputImage(image, FrameLayout::GreyOrColour);
    std::vector<int> ids;
    std::vector<MarkerCorners> corners;
    const int code = getArucoCorners(frame, ids, corners);
    const int found = static_cast<int>(ids.size());
    *count = found;
    for (int m = 0; m < found && m < capacity; ++m) {
      require(corners[m].size() == 4, "a marker without four corners");
      markers[m].id = ids[m];
      for (int i = 0; i < 4; ++i) {
        markers[m].corners[2 * i] = corners[m][i].x;
        markers[m].corners[2 * i + 1] = corners[m][i].y;
      }
    }
    // Capacity 0 asks for the number alone.
    if (found > capacity && capacity > 0)
      throw InvalidArgument("markers: room for " + std::to_string(capacity) + ", " + std::to_string(found) + " found");
    return code;
  });
}

int talmeq_calibAruco(const talmeq_marker* markers, const int* markerCounts, int viewCount, int imageWidth,
                      int imageHeight, talmeq_camera* camera) {
  return guardedCall([&] {
    require(camera != nullptr, "camera is missing");
    require(viewCount >= 0 && (viewCount == 0 || markerCounts != nullptr), "markerCounts are missing");
    std::vector<std::vector<MarkerCorners>> allCorners(static_cast<std::size_t>(viewCount));
    std::vector<std::vector<int>> allIds(static_cast<std::size_t>(viewCount));
    const talmeq_marker* next = markers;
    for (int v = 0; v < viewCount; ++v) {
      require(markerCounts[v] >= 0, "a negative marker count");
      require(markerCounts[v] == 0 || next != nullptr, "markers are missing");
      for (int m = 0; m < markerCounts[v]; ++m, ++next) {
        allCorners[v].push_back(cornersOf(*next));
        allIds[v].push_back(next->id);
      }
    }
    cv::Mat cameraMatrix, distCoeffs;
    const int code = calibAruco(allCorners, allIds, {imageWidth, imageHeight}, cameraMatrix, distCoeffs);
    if (code == 0) writeCamera(cameraMatrix, distCoeffs, *camera);
    return code;
  });
}

int talmeq_undistAruco(const talmeq_image* image, const double* cameraMatrix, const double* distCoeffs, int distCount,
                       talmeq_image* corrected) {
  return guardedCall([&] {
    return correctImage(image, cameraMatrix, distCoeffs, distCount, corrected, true,
                        [](const cv::Mat& k, const cv::Mat& d, const cv::Mat& frame, cv::Size size, cv::Mat& out) {
                          return undistAruco(frame, k, d, size, out);
                        });
  });
}

int talmeq_getCorrectImgByThickness(const talmeq_image* image, const double* cameraMatrix, const double* distCoeffs,
                                    int distCount, double thickness, talmeq_image* corrected) {
  return guardedCall([&] {
    return correctImage(image, cameraMatrix, distCoeffs, distCount, corrected, false,
                        [&](const cv::Mat& k, const cv::Mat& d, const cv::Mat& frame, cv::Size, cv::Mat& out) {
                          return getCorrectImgByThickness(frame, k, d, thickness, out);
                        });
  });
}
