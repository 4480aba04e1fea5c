// Measurement of the characterization rows (see characterizationRows.h).
#include "characterizationRows.h"

#include <talmeq/heightReading.h>
#include <talmeq/resultCodes.h>

#include <cmath>
#include <functional>
#include <string_view>

#include "failures.h"
#include "heightWorkflow.h"
#include "imageFiles.h"
#include "terminal.h"

namespace talmeq::cli {
namespace {

void measurePrecisely(const cv::Mat& image, const std::string& yml, CharacterizedRow& row) {
  const HeightReading reading = readHeight(image, yml);
  row.status = toText(reading.status);
  row.wholePixelCalibration = reading.wholePixelCalibration;
  const bool known = reading.status == HeightStatus::kMeasured || reading.status == HeightStatus::kOutOfRange;
  if (!known || !std::isfinite(reading.height)) {
    row.reason = "no height: " + row.status;
    return;
  }
  row.sample.measured = true;
  row.sample.height = reading.height;
  row.sample.uncertainty = std::isfinite(reading.heightUncertainty) ? reading.heightUncertainty : 0.0;
  row.spot = reading.spot.centre;
}

void measureWholePixels(const cv::Mat& image, const std::string& yml, CharacterizedRow& row) {
  const HeightMeasurement m = measureHeight(image, yml);
  row.status = m.code == kOk ? "measured" : m.code == kOutOfRange ? "outOfRange" : "result " + std::to_string(m.code);
  if (!m.hasHeights() || !m.failure.empty() || !std::isfinite(m.height)) {
    row.reason = m.failure.empty() ? "no height" : m.failure;
    return;
  }
  row.sample.measured = true;
  row.sample.height = m.height;
  row.spot = cv::Point2d(m.trace.spot);
  // A whole-pixel reading moves in steps of about one pixel of the spot's
  // distance: the stability series needs that step to bound a drift its
  // unchanging readings cannot resolve.
  if (row.sample.timed) {
    const double step = readHeight(image, yml).heightPerPixel;
    if (std::isfinite(step)) row.sample.step = step;
  }
}

// Identifies a frame by its pixels, so that one frame listed twice is seen.
std::uint64_t frameDigest(const cv::Mat& image) {
  const cv::Mat pixels = image.isContinuous() ? image : image.clone();
  const std::string_view bytes(reinterpret_cast<const char*>(pixels.data), pixels.total() * pixels.elemSize());
  const std::uint64_t digest = std::hash<std::string_view>{}(bytes);
  return digest == 0 ? 1 : digest;
}

}  // namespace

std::vector<CharacterizedRow> measureRows(const std::vector<HeightRow>& rows, const std::string& yml, bool precise) {
  std::vector<CharacterizedRow> measured;
  Progress progress("characterize", rows.size());
  for (const HeightRow& r : rows) {
    progress.step(r.image);
    CharacterizedRow row;
    row.image = r.image;
    row.sample.trueHeight = r.height;
    row.sample.timed = r.timed;
    row.sample.time = r.time;
    const ImageRead read = tryReadImage(r.image);
    if (!read.problem.empty()) {
      row.status = "unreadable";
      row.reason = read.problem;
    } else {
      row.sample.frame = frameDigest(read.image);
      try {
        precise ? measurePrecisely(read.image, yml, row) : measureWholePixels(read.image, yml, row);
      } catch (const std::exception& error) {
        row.status = "failed";
        row.reason = error.what();
      }
    }
    measured.push_back(row);
  }
  return measured;
}

}  // namespace talmeq::cli
