// The precision layer's readings as the tool reports them with --precise:
// the JSON `precise` object of an image row and the extra text-table cells.
#pragma once

#include <talmeq/precision.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace talmeq::cli {

// x, y, status, uncertainty, peak, background, sigmaX, sigmaY,
// saturatedFraction, candidates, runnerUp, method; unknown values as null.
nlohmann::json preciseObject(const SpotReading& reading);

// The spot's object with height, axisZ and heightUncertainty, and the
// measurement's own status as heightStatus.
nlohmann::json preciseObject(const HeightReading& reading);

// The extra columns of `spot --precise` and `measure --precise`, added to
// `columns` with their widths, and their cells ("-" without a reading).
void addPreciseSpotColumns(std::vector<std::string>& columns, std::vector<std::size_t>& widths);
std::vector<std::string> preciseSpotCells(const std::optional<SpotReading>& reading);
void addPreciseHeightColumns(std::vector<std::string>& columns, std::vector<std::size_t>& widths);
std::vector<std::string> preciseHeightCells(const std::optional<HeightReading>& reading);

}  // namespace talmeq::cli
