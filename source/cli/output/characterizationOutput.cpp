// The characterization report in text and JSON (see characterizationOutput.h).
#include "characterizationOutput.h"

#include <cmath>

#include "verdictOutput.h"

namespace talmeq::cli {
namespace {

nlohmann::json pointJson(const CharacterizedRow& row) {
  nlohmann::json point =
      nullKeys({"image", "trueHeight", "height", "error", "spot", "status", "reason", "uncertainty", "time"});
  point.update({{"image", row.image}, {"trueHeight", row.sample.trueHeight}, {"status", row.status}});
  if (row.sample.measured)
    point.update({{"height", row.sample.height}, {"error", row.sample.height - row.sample.trueHeight}});
  if (row.sample.measured && row.sample.uncertainty > 0.0) point["uncertainty"] = row.sample.uncertainty;
  if (std::isfinite(row.spot.x)) point["spot"] = {row.spot.x, row.spot.y};
  if (!row.reason.empty()) point["reason"] = row.reason;
  if (row.sample.timed) point["time"] = row.sample.time;
  return point;
}

void showFailedRows(const std::vector<CharacterizedRow>& rows, Output& output) {
  Table failed{{"image", "height", "status", "reason"}, {}};
  for (const CharacterizedRow& row : rows)
    if (!row.sample.measured)
      failed.rows.push_back({row.image, fixed(row.sample.trueHeight, 3), row.status, row.reason});
  if (failed.rows.empty()) return;
  output.line(std::to_string(failed.rows.size()) + " rows without a height:");
  output.table(failed);
}

void showHeights(const StationCharacterization& c, Output& output) {
  Table table{{"height", "repeats", "mean", "mean error", "+-3 sigma"}, {}};
  nlohmann::json perHeight = nlohmann::json::array();
  for (const RepeatabilityAt& at : c.repeatabilityAt) {
    table.rows.push_back({fixed(at.trueHeight, 3), std::to_string(at.repeats), fixed(at.mean, 4),
                          fixed(at.mean - at.trueHeight, 4), fixed(at.threeSigma, 4)});
    perHeight.push_back(
        {{"height", at.trueHeight}, {"repeats", at.repeats}, {"mean", at.mean}, {"threeSigma", at.threeSigma}});
  }
  if (!table.rows.empty()) output.table(table);
  output.document()["repeatability"] = {
      {"worst", c.repeatability}, {"pooled", c.pooledRepeatability}, {"perHeight", perHeight}};
}

void showFigures(const StationCharacterization& c, Output& output) {
  output.line("linearity: measured = " + fixed(c.slope, 6) + " x true + " + fixed(c.intercept, 5) + ", r2 " +
              fixed(c.r2, 7) + "; residuals of the heights' means: rms " + fixed(c.residualRms, 4) + ", max " +
              fixed(c.residualMax, 4));
  output.line(c.hasUsableRange ? "usable range: " + fixed(c.usableLow, 3) + " .. " + fixed(c.usableHigh, 3)
                               : "usable range: none");
  output.line("repeatability (+-3 sigma): worst " + fixed(c.repeatability, 4) + ", pooled " +
              fixed(c.pooledRepeatability, 4) + ", predicted " + fixed(c.predictedRepeatability, 4));
  output.line(c.hasDrift ? "drift: " + fixed(c.drift, 5) + " +- " + fixed(c.driftError, 5) + " per minute"
                         : "drift: no stability series");
  nlohmann::json& doc = output.document();
  doc.update({{"slope", c.slope},
              {"intercept", c.intercept},
              {"r2", c.r2},
              {"residualRms", c.residualRms},
              {"residualMax", c.residualMax},
              {"usableRange", c.hasUsableRange ? nlohmann::json{c.usableLow, c.usableHigh} : nlohmann::json()},
              {"predictedRepeatability",
               c.predictedRepeatability > 0.0 ? nlohmann::json(c.predictedRepeatability) : nlohmann::json()},
              {"drift", c.hasDrift ? nlohmann::json{{"perMinute", c.drift}, {"standardError", c.driftError}}
                                   : nlohmann::json()}});
}

}  // namespace

void showCharacterization(const std::vector<CharacterizedRow>& rows, const StationCharacterization& c, Output& output) {
  nlohmann::json points = nlohmann::json::array();
  for (const CharacterizedRow& row : rows) points.push_back(pointJson(row));
  output.document()["points"] = points;
  showFailedRows(rows, output);
  showHeights(c, output);
  showFigures(c, output);
  showVerdict(c.checks, c.pass, output);
}

}  // namespace talmeq::cli
