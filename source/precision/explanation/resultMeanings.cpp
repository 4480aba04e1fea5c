// The result-code meanings of all nine exports, in one table, and the
// library's way of writing numbers and rectangles in its texts.
#include <talmeq/explanations.h>
#include <talmeq/resultCodes.h>

#include <array>
#include <cmath>
#include <cstdio>

namespace talmeq {
namespace {

constexpr double kLargestFixed = 1e9;  // from here on, exponent form

struct Meaning {
  std::string_view exportName;
  int code;
  std::string_view text;
};

constexpr std::array kMeanings{
    Meaning{"getSpotCoord", kNoResult, "no spot found"},
    Meaning{"getSpotCoord", kBadInput, "image empty or too small for the detection window"},
    Meaning{"getCalibrationParamByLinear", kNoResult,
            "average fit error above 0.2 (the calibration file was written anyway)"},
    Meaning{"getCalibrationParamByLinear", kBadInput,
            "fewer than 3 points, heights and spots differ in number, or the calibration file "
            "cannot be opened"},
    Meaning{"correctYml", kBadInput, "calibration file cannot be opened"},
    Meaning{"getPlaneHeightByLinear", kNoResult, "no single spot found in the search window"},
    Meaning{"getPlaneHeightByLinear", kBadInput, "calibration file cannot be opened"},
    Meaning{"getPlaneHeightByLinear", kOutOfRange, "absolute height outside -32 .. 0"},
    Meaning{"calibChess", kNoResult, "chessboard of 17 x 12 inner corners not found"},
    Meaning{"getArucoCorners", kNoResult, "no marker of the board's dictionary found"},
    Meaning{"calibAruco", kNoResult, "no views given"},
};

}  // namespace

std::string decimalText(double value, int decimals) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[64];
  if (std::fabs(value) >= kLargestFixed)
    std::snprintf(text, sizeof text, "%.6g", value);
  else
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string rectText(const cv::Rect& rect) {
  return "[" + std::to_string(rect.x) + ", " + std::to_string(rect.y) + ", " + std::to_string(rect.width) + ", " +
         std::to_string(rect.height) + "]";
}

std::string_view resultMeaning(std::string_view exportName, int code) {
  if (code == kOk) return "success";
  if (code == kTextException) return "a text exception was caught inside the library";
  for (const Meaning& meaning : kMeanings) {
    if (meaning.exportName == exportName && meaning.code == code) return meaning.text;
  }
  return "unknown result code";
}

}  // namespace talmeq
