// The camera calibration from many views and the station characterization
// behind the C interface: views and samples read from the host's arrays,
// the results' lists copied into arrays allocated here, which the matching
// talmeq_free... call releases.
#include <talmeq/precision.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "guardedCall.h"
#include "imageArguments.h"

using namespace talmeq::capi;

static_assert(sizeof(talmeq_view_quality) == 2 * 8 + 2 * 8 + 4 * 4 + 4 * 4);
static_assert(sizeof(talmeq_calibration_report) == sizeof(talmeq_camera) + 2 * 9 * 8 + 5 * 8 + 100 * 4 + 6 * 4 + 3 * 8);
static_assert(sizeof(talmeq_station_characterization) == 12 * 8 + 8 * 4 + 3 * 8);

namespace {

// An array of `count` elements the host releases with talmeq_free...: zeroed, or NULL for none.
template <class T>
T* allocate(std::size_t count) {
  if (count == 0) return nullptr;
  void* memory = std::calloc(count, sizeof(T));
  if (memory == nullptr) throw std::bad_alloc();
  return static_cast<T*>(memory);
}

void copyText(const std::string& text, char* target, std::size_t capacity) {
  const std::size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

talmeq_verdict_check* toC(const std::vector<talmeq::VerdictCheck>& checks) {
  talmeq_verdict_check* c = allocate<talmeq_verdict_check>(checks.size());
  for (std::size_t i = 0; i < checks.size(); ++i) {
    copyText(checks[i].name, c[i].name, sizeof c[i].name);
    copyText(checks[i].rule, c[i].rule, sizeof c[i].rule);
    c[i].threshold = checks[i].threshold;
    c[i].value = checks[i].value;
    c[i].passed = checks[i].passed ? 1 : 0;
    c[i].evaluated = checks[i].evaluated ? 1 : 0;
  }
  return c;
}

talmeq_camera_parameters toC(const talmeq::CameraParameters& p) {
  return {p.fx, p.fy, p.cx, p.cy, p.k1, p.k2, p.p1, p.p2, p.k3};
}

talmeq::BoardView fromC(const talmeq_board_points& view) {
  require(view.count >= 0 && (view.count == 0 || (view.imagePoints != nullptr && view.boardPoints != nullptr)),
          "a view's points are missing");
  talmeq::BoardView board;
  board.found = view.count > 0;
  for (int i = 0; i < view.count; ++i) {
    board.imagePoints.emplace_back(static_cast<float>(view.imagePoints[i].x),
                                   static_cast<float>(view.imagePoints[i].y));
    board.boardPoints.emplace_back(static_cast<float>(view.boardPoints[i].x), static_cast<float>(view.boardPoints[i].y),
                                   0.0f);
  }
  return board;
}

talmeq::CalibrationThresholds fromC(const talmeq_calibration_thresholds* t) {
  if (t == nullptr) return {};
  return {t->maxRelativeUncertainty, t->maxRms,  t->minCoverageScore, t->minViews,      t->maxViews,
          t->minTiltedViews,         t->minTilt, t->outlierFactor,    t->minOutlierRms, t->maxCrossValidation};
}

talmeq::CharacterizationThresholds fromC(const talmeq_characterization_thresholds* t) {
  if (t == nullptr) return {};
  return {t->maxResidual, t->minR2,      t->maxSlopeError, t->maxRepeatability,
          t->maxDrift,    t->minRepeats, t->maxFailedRows};
}

// The report's lists into arrays of `report`, which owns them from here on.
void copyViews(const talmeq::CameraCalibrationReport& r, talmeq_calibration_report& report) {
  std::size_t points = 0;
  for (const talmeq::ViewQuality& v : r.views) points += v.found2d.size() + v.projected.size();
  report.points = allocate<talmeq_point2d>(points);
  report.views = allocate<talmeq_view_quality>(r.views.size());
  report.viewCount = static_cast<int>(r.views.size());
  talmeq_point2d* next = report.points;
  for (std::size_t i = 0; i < r.views.size(); ++i) {
    const talmeq::ViewQuality& v = r.views[i];
    talmeq_view_quality& c = report.views[i];
    c = {v.rms, v.tilt, next, next + v.found2d.size(), v.found, v.used, v.points, v.repeats, {0, 0, 0}, 0};
    for (const cv::Point2f& p : v.found2d) *next++ = {p.x, p.y};
    for (const cv::Point2f& p : v.projected) *next++ = {p.x, p.y};
    c.worstCount = static_cast<int>(std::min<std::size_t>(v.worstPoints.size(), 3));
    std::copy_n(v.worstPoints.begin(), c.worstCount, c.worstPoints);
  }
}

}  // namespace

void talmeq_defaultCalibrationThresholds(talmeq_calibration_thresholds* thresholds) {
  if (thresholds == nullptr) return;
  const talmeq::CalibrationThresholds t;
  *thresholds = {t.maxRelativeUncertainty,
                 t.maxRms,
                 t.minCoverageScore,
                 t.minTilt,
                 t.outlierFactor,
                 t.minOutlierRms,
                 t.maxCrossValidation,
                 t.minViews,
                 t.maxViews,
                 t.minTiltedViews,
                 0};
}

int talmeq_calibrateCameraFromViews(const talmeq_board_points* views, int viewCount, int imageWidth, int imageHeight,
                                    const talmeq_calibration_thresholds* thresholds,
                                    talmeq_calibration_report* report) {
  return guardedCall([&] {
    require(report != nullptr && viewCount >= 0 && (viewCount == 0 || views != nullptr),
            "report or the views are missing");
    std::vector<talmeq::BoardView> boardViews;
    for (int i = 0; i < viewCount; ++i) boardViews.push_back(fromC(views[i]));
    const talmeq::CameraCalibrationReport r =
        talmeq::calibrateCameraFromViews(boardViews, {imageWidth, imageHeight}, fromC(thresholds));
    talmeq_calibration_report c{};
    try {
      writeCamera(r.cameraMatrix, r.distCoeffs, c.camera);
      c.parameters = toC(r.camera);
      c.uncertainty = toC(r.uncertainty);
      c.rms = r.rms;
      c.coverageScore = r.coverageScore;
      c.coveredShare = r.coveredShare;
      c.crossValidation = r.crossValidation;
      c.straightness = r.straightness;
      c.imageWidth = r.imageSize.width;
      c.imageHeight = r.imageSize.height;
      c.usedViews = r.usedViews;
      c.accepted = r.accepted ? 1 : 0;
      for (int i = 0; i < 100 && i < static_cast<int>(r.coverage.total()); ++i) c.coverage[i] = r.coverage.at<int>(i);
      copyViews(r, c);
      c.checks = toC(r.checks);
      c.checkCount = static_cast<int>(r.checks.size());
    } catch (...) {
      talmeq_freeCalibrationReport(&c);
      throw;
    }
    *report = c;
    return 0;
  });
}

void talmeq_freeCalibrationReport(talmeq_calibration_report* report) {
  if (report == nullptr) return;
  std::free(report->views);
  std::free(report->checks);
  std::free(report->points);
  *report = talmeq_calibration_report{};
}

void talmeq_defaultCharacterizationThresholds(talmeq_characterization_thresholds* thresholds) {
  if (thresholds == nullptr) return;
  const talmeq::CharacterizationThresholds t;
  *thresholds = {t.maxResidual, t.minR2,      t.maxSlopeError, t.maxRepeatability,
                 t.maxDrift,    t.minRepeats, t.maxFailedRows};
}

int talmeq_characterizeStation(const talmeq_height_sample* samples, int count,
                               const talmeq_characterization_thresholds* thresholds,
                               talmeq_station_characterization* result) {
  return guardedCall([&] {
    require(result != nullptr && count >= 0 && (count == 0 || samples != nullptr), "result or the samples are missing");
    std::vector<talmeq::HeightSample> input;
    for (int i = 0; i < count; ++i)
      input.push_back({samples[i].trueHeight, samples[i].measured != 0, samples[i].height, samples[i].uncertainty,
                       samples[i].timed != 0, samples[i].time});
    const talmeq::StationCharacterization r = talmeq::characterizeStation(input, fromC(thresholds));
    talmeq_station_characterization c{r.slope,
                                      r.intercept,
                                      r.r2,
                                      r.residualRms,
                                      r.residualMax,
                                      r.usableLow,
                                      r.usableHigh,
                                      r.repeatability,
                                      r.pooledRepeatability,
                                      r.predictedRepeatability,
                                      r.drift,
                                      r.driftError,
                                      r.hasUsableRange,
                                      r.hasDrift,
                                      r.failedRows,
                                      r.pass,
                                      static_cast<int>(r.residuals.size()),
                                      static_cast<int>(r.repeatabilityAt.size()),
                                      static_cast<int>(r.checks.size()),
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr};
    try {
      c.residuals = allocate<double>(r.residuals.size());
      std::copy(r.residuals.begin(), r.residuals.end(), c.residuals);
      c.repeatabilityAt = allocate<talmeq_repeatability_at>(r.repeatabilityAt.size());
      for (std::size_t i = 0; i < r.repeatabilityAt.size(); ++i) {
        const talmeq::RepeatabilityAt& at = r.repeatabilityAt[i];
        c.repeatabilityAt[i] = {at.trueHeight, at.mean, at.threeSigma, at.repeats, 0};
      }
      c.checks = toC(r.checks);
    } catch (...) {
      talmeq_freeCharacterization(&c);
      throw;
    }
    *result = c;
    return 0;
  });
}

void talmeq_freeCharacterization(talmeq_station_characterization* result) {
  if (result == nullptr) return;
  std::free(result->residuals);
  std::free(result->repeatabilityAt);
  std::free(result->checks);
  *result = talmeq_station_characterization{};
}
