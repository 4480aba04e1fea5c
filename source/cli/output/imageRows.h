// The report of a run over several images (spot, measure, calib-aruco): one
// row per image, printed as soon as the image is done (text mode) and kept
// in the document's "images" array (JSON mode), so that an interrupted run
// keeps the rows already done and a failed image never hides the others.
// A failed row is counted, and the run fails at its end with the first
// failure's message.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "commands.h"
#include "output.h"
#include "reportRow.h"
#include "resultCodes.h"
#include "terminal.h"

namespace talmeq::cli {

class ImageRows {
 public:
  // `columns` follow the image column; `widths` are theirs.
  ImageRows(Session& session, const std::string& progressLabel, const std::vector<std::string>& images,
            const std::vector<std::string>& columns, const std::vector<std::size_t>& widths);

  // Announces the work on the next image (the progress line).
  void next(const std::string& image);

  // Adds the row of `image` (its cells after the image column) and
  // `failure` (empty when the image succeeded).
  void add(const std::string& image, const ReportRow& row, const std::string& failure);

  std::size_t failures() const { return failures_.count(); }

  // Throws WorkFailure when any row failed.
  void raiseIfAny() const { failures_.raiseIfAny(); }

 private:
  Session& session_;
  Progress progress_;
  StreamedTable table_;
  FailureTally failures_;
};

// The row of one view of a camera calibration: the board points found
// (negative: the image was not read) and the note, which is also the JSON
// "reason" when `reason` is set.
ReportRow boardViewRow(const std::string& image, int points, const std::string& note, bool reason);

}  // namespace talmeq::cli
