// The characterization report in text and JSON (see characterizationOutput.h).
#include "characterizationOutput.h"

#include <cmath>

#include "reportRow.h"
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
      failed.rows.push_back({row.image, decimalText(row.sample.trueHeight, 3), row.status, row.reason});
  if (failed.rows.empty()) return;
  output.line(std::to_string(failed.rows.size()) + " rows without a height:");
  output.table(failed);
}

void showHeights(const StationCharacterization& c, Output& output) {
  std::vector<ReportRow> rows;
  for (const RepeatabilityAt& at : c.repeatabilityAt) {
    ReportRow& row = rows.emplace_back(ReportRow({}));
    row.shown("height", at.trueHeight, 3).shown("repeats", at.repeats).shown("mean", at.mean);
    row.cells({decimalText(at.mean - at.trueHeight, 4)}).shown("threeSigma", at.threeSigma);
  }
  const bool judged = !c.repeatabilityAt.empty();
  const nlohmann::json perHeight =
      judged ? printRows(output, {"height", "repeats", "mean", "mean error", "+-3 sigma"}, rows)
             : nlohmann::json::array();
  output.document()["repeatability"] = {{"worst", judged ? nlohmann::json(c.repeatability) : nlohmann::json()},
                                        {"pooled", judged ? nlohmann::json(c.pooledRepeatability) : nlohmann::json()},
                                        {"perHeight", perHeight}};
}

// A figure, or null when the samples could not give it.
nlohmann::json known(bool given, double value) { return given ? number(value) : nlohmann::json(); }

std::string lineText(const StationCharacterization& c) {
  if (!c.hasLine) return "linearity: not evaluated (no line: fewer than two sweep heights measured)";
  const std::string line = "measured = " + decimalText(c.slope, 6) + " x true + " + decimalText(c.intercept, 5);
  if (!c.hasLinearity) return "linearity: not evaluated (two sweep heights: " + line + ", a line through two points)";
  return "linearity: " + line + ", r2 " + decimalText(c.r2, 7) + "; residuals of the heights' means: rms " +
         decimalText(c.residualRms, 4) + ", max " + decimalText(c.residualMax, 4);
}

// The stability series: its drift, or why there is none, and its scatter.
std::string driftText(const StationCharacterization& c) {
  if (c.stabilitySamples == 0) return "drift: not evaluated (no stability series)";
  const std::string at = " at height " + decimalText(c.stabilityHeight, 3) + " (" + std::to_string(c.stabilitySamples) +
                         " rows, their CSV times read as seconds)";
  if (!c.hasDrift) return "drift: not evaluated: the stability series" + at + " needs 3 rows at 2 times or more";
  const std::string scatter = "; +-3 sigma about the drift line " + decimalText(c.stabilityThreeSigma, 5);
  if (c.driftResolved)
    return "drift: " + decimalText(c.drift, 5) + " +- " + decimalText(c.driftError, 5) + " per minute" + at + scatter;
  return "drift: not resolved: the readings" + at + " never change" +
         (std::isnan(c.driftLimit)
              ? std::string(" and their height step is unknown")
              : "; below one height step over the series, " + decimalText(c.driftLimit, 5) + " per minute");
}

nlohmann::json driftJson(const StationCharacterization& c) {
  if (c.stabilitySamples == 0) return nullptr;
  const bool fitted = c.hasDrift && c.driftResolved;
  return {{"perMinute", known(fitted, c.drift)},
          {"standardError", known(fitted, c.driftError)},
          {"resolved", c.hasDrift ? nlohmann::json(c.driftResolved) : nlohmann::json()},
          {"limit", known(c.hasDrift && !c.driftResolved, c.driftLimit)},
          {"height", c.stabilityHeight},
          {"samples", c.stabilitySamples},
          {"threeSigma", known(c.hasDrift, c.stabilityThreeSigma)}};
}

void showFigures(const StationCharacterization& c, Output& output) {
  output.line(lineText(c));
  if (c.hasLinearity)
    output.line(c.hasUsableRange
                    ? "usable range: " + decimalText(c.usableLow, 3) + " .. " + decimalText(c.usableHigh, 3)
                    : "usable range: none");
  output.line(c.repeatabilityAt.empty() ? "repeatability: not evaluated (no sweep height with enough repeats)"
                                        : "repeatability (+-3 sigma): worst " + decimalText(c.repeatability, 4) +
                                              ", pooled " + decimalText(c.pooledRepeatability, 4) + ", predicted " +
                                              decimalText(c.predictedRepeatability, 4));
  output.line(driftText(c));
  nlohmann::json& doc = output.document();
  doc.update({{"slope", known(c.hasLine, c.slope)},
              {"intercept", known(c.hasLine, c.intercept)},
              {"r2", known(c.hasLinearity, c.r2)},
              {"residualRms", known(c.hasLinearity, c.residualRms)},
              {"residualMax", known(c.hasLinearity, c.residualMax)},
              {"usableRange", c.hasUsableRange ? nlohmann::json{c.usableLow, c.usableHigh} : nlohmann::json()},
              {"predictedRepeatability",
               c.predictedRepeatability > 0.0 ? nlohmann::json(c.predictedRepeatability) : nlohmann::json()},
              {"drift", driftJson(c)}});
}

// The rows whose frame repeats an earlier row's, with the first such pair.
void warnRepeatedFrames(const std::vector<CharacterizedRow>& rows, int repeated, Output& output) {
  for (std::size_t j = 1; j < rows.size() && repeated > 0; ++j)
    for (std::size_t i = 0; i < j; ++i)
      if (rows[j].sample.frame != 0 && rows[j].sample.frame == rows[i].sample.frame) {
        output.warn(std::to_string(repeated) + " rows repeat the frame of an earlier row (first: row " +
                    std::to_string(j + 1) + ", " + rows[j].image + ", repeats row " + std::to_string(i + 1) + ", " +
                    rows[i].image + "): a frame listed again is no new measurement");
        return;
      }
}

}  // namespace

void showCharacterization(const std::vector<CharacterizedRow>& rows, const StationCharacterization& c, Output& output) {
  nlohmann::json points = nlohmann::json::array();
  for (const CharacterizedRow& row : rows) points.push_back(pointJson(row));
  output.document()["points"] = points;
  showFailedRows(rows, output);
  showHeights(c, output);
  showFigures(c, output);
  warnRepeatedFrames(rows, c.repeatedFrames, output);
  showVerdict(c.checks, c.pass, output);
}

}  // namespace talmeq::cli
