// The result-code meanings of all nine exports, in one table.
#include "resultCodes.h"

#include <talmeq/resultCodes.h>

#include <array>

#include "failures.h"

namespace talmeq::cli {
namespace {

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

std::string_view resultMeaning(std::string_view exportName, int code) {
  if (code == kOk) return "success";
  if (code == kTextException) return "a text exception was caught inside the library";
  for (const Meaning& meaning : kMeanings) {
    if (meaning.exportName == exportName && meaning.code == code) return meaning.text;
  }
  return "unknown result code";
}

void requireSuccess(std::string_view exportName, int code, std::string_view subject) {
  if (code == 0) return;
  const std::string prefix = subject.empty() ? std::string() : std::string(subject) + ": ";
  throw WorkFailure(prefix + std::string(exportName) + " returned " + std::to_string(code) + ": " +
                    std::string(resultMeaning(exportName, code)));
}

}  // namespace talmeq::cli
