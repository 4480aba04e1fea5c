#include "calibrationFile.h"

#include <talmeq/fileReplacement.h>

#include <cmath>
#include <limits>

#include "calibrationText.h"
#include "storageFile.h"
#include "threadOwned.h"

namespace talmeq::detail {
namespace {

using calibration::Mapping;
using calibration::Scalar;
using calibration::Value;

// A real as cv::read gives it: 0.0 for a missing key, the number of a
// number, and the largest double for a text, a collection or an empty value.
double readReal(const Mapping& mapping, const char* key) {
  const auto found = mapping.find(key);
  if (found == mapping.end()) return 0.0;
  const Value& value = found->second;
  if (value.kind != Value::Kind::Scalar || value.scalar.kind == Scalar::Kind::Text)
    return std::numeric_limits<double>::max();
  return value.scalar.kind == Scalar::Kind::Integer ? value.scalar.integer : value.scalar.real;
}

// "RoI" as four numbers, reals rounded as cv::read rounds them, or
// (0, 0, 0, 0) for anything else.
cv::Rect readRegion(const Mapping& mapping) {
  constexpr std::size_t kRegionNumbers = 4;
  const auto found = mapping.find("RoI");
  if (found == mapping.end() || found->second.kind != Value::Kind::Sequence) return {};
  const std::vector<Scalar>& elements = found->second.elements;
  if (elements.size() != kRegionNumbers) return {};
  int numbers[kRegionNumbers] = {};
  for (std::size_t i = 0; i < kRegionNumbers; ++i) {
    if (elements[i].kind == Scalar::Kind::Text) return {};
    numbers[i] = elements[i].kind == Scalar::Kind::Integer ? elements[i].integer : cvRound(elements[i].real);
  }
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

void readAll(const Mapping& mapping, CalibrationValues& v) {
  v.k = readReal(mapping, "k");
  v.b = readReal(mapping, "b");
  v.initialX = readReal(mapping, "initialX");
  v.initialY = readReal(mapping, "initialY");
  v.scale = readReal(mapping, "scale");
  v.dist = readReal(mapping, "dist");
  v.initZ = readReal(mapping, "initZ");
  v.focusD = readReal(mapping, "focusD");
  v.roi = readRegion(mapping);
  v.offsetX = readReal(mapping, "offsetX");
  v.offsetY = readReal(mapping, "offsetY");
}

void copyAll(const CalibrationValues& from, CalibrationValues& to) { to = from; }

void copyFixed(const CalibrationValues& from, CalibrationValues& to) {
  to.scale = from.scale;
  to.dist = from.dist;
  to.initZ = from.initZ;
  to.focusD = from.focusD;
}

// The bytes of the last file that this thread read without a parse error,
// and the values they gave. A host reads the same file on every frame: it is
// parsed once, and a reading that finds the same bytes under a name of the
// same kind asks the heap for nothing. Any changed byte parses anew.
struct LastReading {
  std::string bytes;
  bool compressed = false;  // read under a name ending in ".gz"
  bool valid = false;
  CalibrationValues values;
};

// A thread's buffer for the file's bytes and its last reading.
struct ReadingState {
  std::string bytes;
  LastReading last;
};

// Reads the file at `path` and lets `fill` take its values.
template <class Fill>
bool readWith(const std::string& path, CalibrationValues& values, Fill fill) {
  ReadingState& state = threadOwned<ReadingState>();
  std::string& bytes = state.bytes;
  LastReading& last = state.last;
  if (!calibration::loadBytes(path, bytes)) return false;
  const bool compressed = calibration::compressedName(path);
  if (!last.valid || last.compressed != compressed || last.bytes != bytes) {
    last.valid = false;
    readAll(calibration::readFileMapping(path, bytes), last.values);
    last.bytes.swap(bytes);
    last.compressed = compressed;
    last.valid = true;
  }
  fill(last.values, values);
  return true;
}

void writeKeys(cv::FileStorage& storage, const CalibrationValues& v) {
  storage << "k" << v.k << "b" << v.b << "initialX" << v.initialX << "initialY" << v.initialY << "scale" << v.scale
          << "dist" << v.dist << "initZ" << v.initZ << "focusD" << v.focusD << "RoI" << v.roi << "offsetX" << v.offsetX
          << "offsetY" << v.offsetY;
}

bool sameReal(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool sameValues(const CalibrationValues& a, const CalibrationValues& b) {
  return sameReal(a.k, b.k) && sameReal(a.b, b.b) && sameReal(a.initialX, b.initialX) &&
         sameReal(a.initialY, b.initialY) && sameReal(a.scale, b.scale) && sameReal(a.dist, b.dist) &&
         sameReal(a.initZ, b.initZ) && sameReal(a.focusD, b.focusD) && a.roi == b.roi &&
         sameReal(a.offsetX, b.offsetX) && sameReal(a.offsetY, b.offsetY);
}

// A written file counts as complete only when it reads back to exactly the
// values written (a full disk truncates silently inside cv::FileStorage).
bool readsBackAs(const std::string& path, const CalibrationValues& expected) {
  try {
    CalibrationValues read;
    return readWith(path, read, copyAll) && sameValues(read, expected);
  } catch (const cv::Exception&) {
    return false;
  }
}

}  // namespace

bool readCalibration(const std::string& path, CalibrationValues& values) { return readWith(path, values, copyAll); }

bool readFixedSettings(const std::string& path, CalibrationValues& values) { return readWith(path, values, copyFixed); }

bool writeCalibration(const std::string& path, const CalibrationValues& values) {
  return replaceFile(path, [&](const std::string& temporary) {
    return writeStorageFile(temporary, [&](cv::FileStorage& storage) { writeKeys(storage, values); }) &&
           readsBackAs(temporary, values);
  });
}

}  // namespace talmeq::detail
