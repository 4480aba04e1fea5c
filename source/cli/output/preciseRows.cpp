// The precision layer's rows (see preciseRows.h).
#include "preciseRows.h"

#include <cmath>

#include "output.h"

namespace talmeq::cli {
namespace {

// Farthest apart, in pixels, that the whole-pixel and the sub-pixel spot
// of one image may lie and still count as one reading: the whole-pixel
// locator's point is the blob's, within its few pixels.
constexpr double kReadingsAgree = 3.0;

// A cell of `decimals` places, "-" for an unknown value.
std::string cell(double value, int decimals) { return std::isfinite(value) ? decimalText(value, decimals) : "-"; }

}  // namespace

std::string readingsDisagreement(const std::string& exportCall, cv::Point whole, const std::string& preciseCall,
                                 const SpotReading& precise) {
  const std::string wholeText = "(" + std::to_string(whole.x) + ", " + std::to_string(whole.y) + ")";
  if (!precise.hasCentre())
    return preciseCall + " found " + toText(precise.status) + " where " + exportCall + " found a spot at " + wholeText;
  const double apart = cv::norm(precise.centre - cv::Point2d(whole));
  if (apart <= kReadingsAgree) return {};
  return "the whole-pixel spot " + wholeText + " and the sub-pixel spot " + subPixelText(precise) + " lie " +
         decimalText(apart, 1) + " px apart: the two readings disagree";
}

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

std::string subPixelText(const SpotReading& r) {
  return r.hasCentre() ? "(" + decimalText(r.centre.x, 3) + ", " + decimalText(r.centre.y, 3) + ")" : "-";
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

std::string wholePixelCalibrationWarning(const std::string& yml) {
  return yml +
         " was fitted from whole-pixel spots (its reference point is a whole pixel): sub-pixel heights "
         "carry up to half a pixel of its error, which their uncertainty leaves out; fit it with "
         "calibrate --precise";
}

}  // namespace talmeq::cli
