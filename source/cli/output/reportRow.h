// One row of a subcommand's report, built once and rendered both ways: each
// field goes into the row's JSON object under its key and, when the table
// shows it, into the row's next cell, whose text is the value's own unless
// given. A subcommand's rows are one model, so the table and the JSON can
// never tell two stories.
#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "commands.h"
#include "output.h"
#include "terminal.h"

namespace talmeq::cli {

class ReportRow {
 public:
  // The row's JSON keys, each null until a field sets it.
  explicit ReportRow(std::initializer_list<const char*> keys) : object_(nullKeys(keys)) {}

  // A field the table shows: its cell is `cell`, or the value's text (a
  // real with `decimals` places, "-" for null).
  ReportRow& shown(const char* key, const nlohmann::json& value, int decimals = 4);
  ReportRow& shown(const char* key, const nlohmann::json& value, std::string cell);

  // A field only in JSON, and cells only in the table.
  ReportRow& hidden(const char* key, const nlohmann::json& value);
  ReportRow& cells(const std::vector<std::string>& texts);

  const nlohmann::json& object() const { return object_; }
  const std::vector<std::string>& cellTexts() const { return cells_; }

 private:
  nlohmann::json object_;
  std::vector<std::string> cells_;
};

// A JSON value's text in a table cell: "-" for null, a real with `decimals`
// places, "yes"/"no" for a truth value.
std::string cellText(const nlohmann::json& value, int decimals);

// Prints `rows` as one table under `columns` and returns their JSON objects.
nlohmann::json printRows(const Output& output, std::vector<std::string> columns, const std::vector<ReportRow>& rows);

// printRows, with the document's `key` set to the JSON objects.
void showRows(Output& output, const char* key, std::vector<std::string> columns, const std::vector<ReportRow>& rows);

// The report of a run over several images (spot, measure, calib-aruco): one
// row per image, printed as soon as the image is done (text mode) and kept
// in the document's "images" array (JSON mode), so that an interrupted run
// keeps the rows already done and a failed image never hides the others.
// A failed row is counted, and the run fails at its end with the first
// failure's message.
class ImageRows {
 public:
  // `columns` follow the image column and come before the note column (the
  // row's last cell); `widths` are theirs.
  ImageRows(Session& session, const std::string& progressLabel, const std::vector<std::string>& images,
            const std::vector<std::string>& columns, const std::vector<std::size_t>& widths);

  // Announces the work on the next image (the progress line).
  void next(const std::string& image);

  // Adds the row of `image` (its cells after the image column) and
  // `failure` (empty when the image succeeded).
  void add(const std::string& image, const ReportRow& row, const std::string& failure);

  // Throws WorkFailure naming the first failure and how many followed when
  // any row failed.
  void raiseIfAny() const;

 private:
  Session& session_;
  Progress progress_;
  std::vector<std::size_t> widths_;  // of every column, the headers' included
  std::string firstFailure_;
  std::size_t failures_ = 0;
};

// The row of one view of a camera calibration: the board points found
// (negative: the image was not read) and the note, which is also the JSON
// "reason" when `reason` is set.
ReportRow boardViewRow(const std::string& image, int points, const std::string& note, bool reason);

}  // namespace talmeq::cli
