// Measurement of the characterization rows (see characterizationRows.h).
#include "characterizationRows.h"

#include <talmeq/heightReading.h>
#include <talmeq/resultCodes.h>

#include <cmath>

#include "failures.h"
#include "heightWorkflow.h"
#include "imageFiles.h"
#include "terminal.h"

namespace talmeq::cli {
namespace {

void measurePrecisely(const cv::Mat& image, const std::string& yml, CharacterizedRow& row) {
  const HeightReading reading = readHeight(image, yml);
  row.status = toText(reading.status);
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
