// The check for a whole calibration (see calibrationKeys.h).
#include "calibrationKeys.h"

#include <algorithm>
#include <iterator>
#include <opencv2/core.hpp>

#include "calibrationText.h"

namespace talmeq {
namespace {

using calibration::Scalar;
using calibration::Value;

constexpr const char* kRealKeys[] = {"k",    "b",     "initialX", "initialY", "scale",
                                     "dist", "initZ", "focusD",   "offsetX",  "offsetY"};
constexpr std::size_t kRegionNumbers = 4;

bool isNumber(const Scalar& scalar) { return scalar.kind != Scalar::Kind::Text; }

}  // namespace

bool holdsCalibration(const std::string& path) {
  std::string bytes;
  try {
    if (!calibration::loadBytes(path, bytes)) return false;
    const calibration::Mapping mapping = calibration::readFileMapping(path, bytes);
    const auto number = [&](const char* key) {
      const auto found = mapping.find(key);
      return found != mapping.end() && found->second.kind == Value::Kind::Scalar && isNumber(found->second.scalar);
    };
    const auto region = mapping.find("RoI");
    return std::all_of(std::begin(kRealKeys), std::end(kRealKeys), number) && region != mapping.end() &&
           region->second.kind == Value::Kind::Sequence && region->second.elements.size() == kRegionNumbers &&
           std::all_of(region->second.elements.begin(), region->second.elements.end(), isNumber);
  } catch (const cv::Exception&) {
    return false;  // a file that does not parse holds no calibration
  }
}

}  // namespace talmeq
