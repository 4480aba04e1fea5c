// A station characterization as the tool shows it: the failed rows, a
// table per sweep height, the linearity, repeatability and drift figures
// (or why the samples could not give them: null in JSON), a warning naming
// rows that repeat a frame, the verdict's checks; and the same in the JSON
// document.
#pragma once

#include <talmeq/stationCharacterization.h>

#include <vector>

#include "heightWorkflow.h"
#include "output.h"

namespace talmeq::cli {

// Prints the report and sets "points", "slope", "intercept", "r2",
// "residualRms", "residualMax", "usableRange", "repeatability", "drift",
// "predictedRepeatability", "verdict" and "checks" of the document.
void showCharacterization(const std::vector<CharacterizedRow>& rows, const StationCharacterization& c, Output& output);

}  // namespace talmeq::cli
