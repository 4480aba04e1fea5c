// The precision layer behind the C interface: its results copied into the
// plain structs of talmeqC.h, its enumerations passed as their int values.
#include <talmeq/precision.h>

#include <cmath>
#include <string>
#include <vector>

#include "guardedCall.h"
#include "imageArguments.h"

using talmeq::bindings::FrameLayout;
using namespace talmeq::capi;

// The C constants are the enumerations' values.
static_assert(TALMEQ_SPOT_FOUND == int(talmeq::SpotStatus::kFound) &&
              TALMEQ_SPOT_SATURATED == int(talmeq::SpotStatus::kSaturated) &&
              TALMEQ_SPOT_TOO_DIM == int(talmeq::SpotStatus::kTooDim) &&
              TALMEQ_SPOT_AMBIGUOUS == int(talmeq::SpotStatus::kAmbiguous) &&
              TALMEQ_SPOT_NO_SPOT == int(talmeq::SpotStatus::kNoSpot));
static_assert(TALMEQ_METHOD_NONE == int(talmeq::CentreMethod::kNone) &&
              TALMEQ_METHOD_GAUSSIAN_FIT == int(talmeq::CentreMethod::kGaussianFit) &&
              TALMEQ_METHOD_HALF_MAX_CENTROID == int(talmeq::CentreMethod::kHalfMaxCentroid));
static_assert(TALMEQ_MODEL_WRITTEN == int(talmeq::ModelStatus::kWritten) &&
              TALMEQ_MODEL_POOR_FIT == int(talmeq::ModelStatus::kPoorFit) &&
              TALMEQ_MODEL_NO_SETTINGS == int(talmeq::ModelStatus::kNoSettings) &&
              TALMEQ_MODEL_NOT_WRITTEN == int(talmeq::ModelStatus::kNotWritten));
static_assert(TALMEQ_HEIGHT_MEASURED == int(talmeq::HeightStatus::kMeasured) &&
              TALMEQ_HEIGHT_OUT_OF_RANGE == int(talmeq::HeightStatus::kOutOfRange) &&
              TALMEQ_HEIGHT_NO_SPOT == int(talmeq::HeightStatus::kNoSpot) &&
              TALMEQ_HEIGHT_NO_CALIBRATION == int(talmeq::HeightStatus::kNoCalibration) &&
              TALMEQ_HEIGHT_WINDOW_OUTSIDE == int(talmeq::HeightStatus::kWindowOutside));
// No padding between members: the sizes are the members' sizes added up.
static_assert(sizeof(talmeq_spot_reading) == 2 * 4 + 15 * 8 + 2 * 4 + 8);
static_assert(sizeof(talmeq_height_model) == 5 * 8 + 4 + 16 + 4 /* the tail to an 8-byte multiple */);
static_assert(sizeof(talmeq_height_reading) == sizeof(talmeq_spot_reading) + 3 * 8 + 4 + 16 + 4);

namespace {

talmeq_point2d toC(const cv::Point2d& point) { return {point.x, point.y}; }

talmeq_rect toC(const cv::Rect& rect) { return {rect.x, rect.y, rect.width, rect.height}; }

talmeq_spot_reading toC(const talmeq::SpotReading& spot) {
  talmeq_spot_reading c;
  c.status = static_cast<int>(spot.status);
  c.method = static_cast<int>(spot.method);
  c.centre = toC(spot.centre);
  for (int i = 0; i < 4; ++i) c.covariance[i] = spot.covariance.val[i];
  c.uncertainty = spot.uncertainty;
  c.peak = spot.peak;
  c.background = spot.background;
  c.sigmaX = spot.sigmaX;
  c.sigmaY = spot.sigmaY;
  c.saturatedFraction = spot.saturatedFraction;
  c.runnerUp = spot.runnerUp;
  c.runnerUpCentre = toC(spot.runnerUpCentre);
  c.candidates = spot.candidates;
  c.detectorResult = spot.detectorResult;
  c.detectorSpot = {spot.detectorSpot.x, spot.detectorSpot.y};
  return c;
}

}  // namespace

int talmeq_readSpot(const talmeq_image* image, talmeq_spot_reading* reading) {
  return guardedCall([&] {
    require(reading != nullptr, "reading is missing");
    *reading = toC(talmeq::readSpot(inputImage(image, FrameLayout::ColourOrBgra)));
    return 0;
  });
}

int talmeq_fitHeightModel(const double* heights, const talmeq_point2d* centres, int count, const char* ymlPath,
                          talmeq_height_model* model, double* errors) {
  return talmeq_fitHeightModelWith(heights, centres, count, ymlPath, 0, model, errors);
}

int talmeq_readHeight(const talmeq_image* image, const char* ymlPath, talmeq_height_reading* reading) {
  return guardedCall([&] {
    require(reading != nullptr, "reading is missing");
    const cv::Mat frame = inputImage(image, FrameLayout::ColourOrBgra);
    const talmeq::HeightReading r = talmeq::readHeight(frame, inputPath(ymlPath));
    *reading = {toC(r.spot), r.height, r.axisZ, r.heightUncertainty, static_cast<int>(r.status), toC(r.window)};
    return 0;
  });
}
