// The precision layer's readings as the tool reports them with --precise:
// the JSON `precise` object of an image row and the extra text-table cells.
#pragma once

#include <nlohmann/json.hpp>
#include <talmeqStation.h>

#include <string>
#include <vector>

namespace talmeq::cli {

// x, y, status, uncertainty, peak, background, sigmaX, sigmaY,
// saturatedFraction, candidates, runnerUp, method; unknown values as null.
nlohmann::json preciseObject(const SpotReading& reading);

// The spot's object with height, axisZ and heightUncertainty, and the
// measurement's own status as heightStatus.
nlohmann::json preciseObject(const HeightReading& reading);

// "(x, y)" to three decimals, or "-".
std::string subPixelText(const SpotReading& reading);

// Extra columns of `spot --precise` and `measure --precise`, and their cells.
const std::vector<std::string>& preciseSpotColumns();
std::vector<std::string> preciseSpotCells(const SpotReading& reading);
const std::vector<std::string>& preciseHeightColumns();
std::vector<std::string> preciseHeightCells(const HeightReading& reading);

}  // namespace talmeq::cli
