// The station layer's corrections and checks behind the C interface:
// correctHeightOffset, fitHeightModel with its option, undistort,
// correctForThickness and chessboardMayBeThere.
#include <talmeq/precision.h>

#include <cmath>
#include <vector>

#include "guardedCall.h"
#include "imageArguments.h"

using talmeq::bindings::FrameLayout;
using namespace talmeq::capi;

static_assert(TALMEQ_MODEL_KEPT == int(talmeq::ModelStatus::kKept));
static_assert(TALMEQ_OFFSET_CORRECTED == int(talmeq::OffsetStatus::kCorrected) &&
              TALMEQ_OFFSET_NOT_CALIBRATION == int(talmeq::OffsetStatus::kNotCalibration) &&
              TALMEQ_OFFSET_NOT_FINITE == int(talmeq::OffsetStatus::kNotFinite) &&
              TALMEQ_OFFSET_NOT_WRITTEN == int(talmeq::OffsetStatus::kNotWritten));

int talmeq_correctHeightOffset(double measured, double truth, const char* ymlPath,
                               talmeq_offset_correction* correction) {
  return guardedCall([&] {
    require(correction != nullptr, "correction is missing");
    const talmeq::OffsetCorrection c = talmeq::correctHeightOffset(measured, truth, inputPath(ymlPath));
    *correction = {c.initZBefore, c.initZAfter, static_cast<int>(c.status), 0};
    return 0;
  });
}

int talmeq_fitHeightModelWith(const double* heights, const talmeq_point2d* centres, int count, const char* ymlPath,
                              int replaceWithPoorFit, talmeq_height_model* model, double* errors) {
  return guardedCall([&] {
    require(model != nullptr, "model is missing");
    require(count >= 0 && (count == 0 || (heights != nullptr && centres != nullptr)), "heights or centres are missing");
    std::vector<cv::Point2d> points;
    for (int i = 0; i < count; ++i) points.emplace_back(centres[i].x, centres[i].y);
    const talmeq::HeightModel fitted = talmeq::fitHeightModel(std::vector<double>(heights, heights + count), points,
                                                              inputPath(ymlPath), {replaceWithPoorFit != 0});
    *model = {fitted.k,
              fitted.b,
              {fitted.reference.x, fitted.reference.y},
              fitted.averageError,
              static_cast<int>(fitted.status),
              {fitted.window.x, fitted.window.y, fitted.window.width, fitted.window.height}};
    for (int i = 0; errors != nullptr && i < count; ++i)
      errors[i] = i < static_cast<int>(fitted.errors.size()) ? fitted.errors[i] : std::nan("");
    return 0;
  });
}

int talmeq_undistort(const talmeq_image* image, const double* cameraMatrix, const double* distCoeffs, int distCount,
                     talmeq_image* corrected) {
  return guardedCall([&] {
    return correctImage(image, cameraMatrix, distCoeffs, distCount, corrected, true,
                        [](const cv::Mat& k, const cv::Mat& d, const cv::Mat& frame, cv::Size size, cv::Mat& out) {
                          talmeq::undistort(frame, k, d, size).copyTo(out);
                          return 0;
                        });
  });
}

int talmeq_correctForThickness(const talmeq_image* image, const double* cameraMatrix, const double* distCoeffs,
                               int distCount, double thickness, talmeq_image* corrected) {
  return guardedCall([&] {
    return correctImage(image, cameraMatrix, distCoeffs, distCount, corrected, false,
                        [&](const cv::Mat& k, const cv::Mat& d, const cv::Mat& frame, cv::Size, cv::Mat& out) {
                          talmeq::correctForThickness(frame, k, d, thickness).copyTo(out);
                          return 0;
                        });
  });
}

int talmeq_chessboardMayBeThere(const talmeq_image* image, int columns, int rows, int* mayBeThere) {
  return guardedCall([&] {
    require(mayBeThere != nullptr, "mayBeThere is missing");
    *mayBeThere = talmeq::chessboardMayBeThere(inputImage(image, FrameLayout::GreyOrColour), {columns, rows}) ? 1 : 0;
    return 0;
  });
}
