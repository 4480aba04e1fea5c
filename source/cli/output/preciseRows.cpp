// The precision layer's rows (see preciseRows.h).
#include "preciseRows.h"

#include <cmath>

#include "output.h"

namespace talmeq::cli {
namespace {

// A cell of `decimals` places, "-" for an unknown value.
std::string cell(double value, int decimals) { return std::isfinite(value) ? decimalText(value, decimals) : "-"; }

// "(x, y)" to three decimals, or "-".
std::string subPixelText(const SpotReading& r) {
  return r.hasCentre() ? "(" + decimalText(r.centre.x, 3) + ", " + decimalText(r.centre.y, 3) + ")" : "-";
}

}  // namespace

nlohmann::json preciseObject(const SpotReading& r) {
  return {{"x", r.centre.x},
          {"y", r.centre.y},
          {"status", toText(r.status)},
          {"uncertainty", r.uncertainty},
          {"peak", r.peak},
          {"background", r.background},
          {"sigmaX", r.sigmaX},
          {"sigmaY", r.sigmaY},
          {"saturatedFraction", r.saturatedFraction},
          {"candidates", r.candidates},
          {"runnerUp", r.runnerUp},
          {"method", toText(r.method)}};
}

nlohmann::json preciseObject(const HeightReading& r) {
  nlohmann::json object = preciseObject(r.spot);
  object.update({{"height", r.height},
                 {"axisZ", r.axisZ},
                 {"heightUncertainty", r.heightUncertainty},
                 {"heightStatus", toText(r.status)}});
  return object;
}

void addPreciseSpotColumns(std::vector<std::string>& columns, std::vector<std::size_t>& widths) {
  columns.insert(columns.end(), {"sub-pixel spot", "uncertainty", "status", "method"});
  widths.insert(widths.end(), {20, 11, 10, 15});
}

std::vector<std::string> preciseSpotCells(const std::optional<SpotReading>& r) {
  if (!r) return {"-", "-", "-", "-"};
  return {subPixelText(*r), cell(r->uncertainty, 4), toText(r->status), toText(r->method)};
}

void addPreciseHeightColumns(std::vector<std::string>& columns, std::vector<std::size_t>& widths) {
  columns.insert(columns.end(), {"sub-pixel height", "uncertainty", "status"});
  widths.insert(widths.end(), {16, 11, 13});
}

std::vector<std::string> preciseHeightCells(const std::optional<HeightReading>& r) {
  if (!r) return {"-", "-", "-"};
  return {cell(r->height, 4), cell(r->heightUncertainty, 4), toText(r->status)};
}

}  // namespace talmeq::cli
