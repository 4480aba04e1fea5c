// Rows built once for the table and the JSON, and the row-by-row report
// of a run over several images (see reportRow.h).
#include "reportRow.h"

#include <algorithm>
#include <optional>

namespace talmeq::cli {

ReportRow& ReportRow::shown(const char* key, const nlohmann::json& value, int decimals) {
  return shown(key, value, cellText(value, decimals));
}

ReportRow& ReportRow::shown(const char* key, const nlohmann::json& value, std::string cell) {
  object_[key] = value;
  cells_.push_back(std::move(cell));
  return *this;
}

ReportRow& ReportRow::hidden(const char* key, const nlohmann::json& value) {
  object_[key] = value;
  return *this;
}

ReportRow& ReportRow::cells(const std::vector<std::string>& texts) {
  cells_.insert(cells_.end(), texts.begin(), texts.end());
  return *this;
}

std::string cellText(const nlohmann::json& value, int decimals) {
  if (value.is_null()) return "-";
  if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
  if (value.is_number_float()) return decimalText(value.get<double>(), decimals);
  if (value.is_string()) return value.get<std::string>();
  return value.dump();
}

nlohmann::json printRows(const Output& output, std::vector<std::string> columns, const std::vector<ReportRow>& rows) {
  Table table{std::move(columns), {}};
  nlohmann::json objects = nlohmann::json::array();
  for (const ReportRow& row : rows) {
    table.rows.push_back(row.cellTexts());
    objects.push_back(row.object());
  }
  output.table(table);
  return objects;
}

void showRows(Output& output, const char* key, std::vector<std::string> columns, const std::vector<ReportRow>& rows) {
  output.document()[key] = printRows(output, std::move(columns), rows);
}

namespace {

// The image column first, then the others, then (for the table's header
// and widths) the note column.
template <class T>
std::vector<T> withImageColumn(T first, const std::vector<T>& rest, std::optional<T> last = std::nullopt) {
  std::vector<T> all{std::move(first)};
  all.insert(all.end(), rest.begin(), rest.end());
  if (last) all.push_back(*last);
  return all;
}

}  // namespace

ImageRows::ImageRows(Session& session, const std::string& progressLabel, const std::vector<std::string>& images,
                     const std::vector<std::string>& columns, const std::vector<std::size_t>& widths)
    : session_(session),
      progress_(progressLabel, images.size()),
      widths_(withImageColumn<std::size_t>(widestOf(images, "image"), widths, 0)) {
  const std::vector<std::string> header = withImageColumn<std::string>("image", columns, "note");
  for (std::size_t i = 0; i < header.size() && i < widths_.size(); ++i)
    widths_[i] = std::max(widths_[i], widestOf({}, header[i]));
  session_.output.row(header, widths_);
  session_.output.document()["images"] = nlohmann::json::array();
}

void ImageRows::next(const std::string& image) { progress_.step(image); }

void ImageRows::add(const std::string& image, const ReportRow& row, const std::string& failure) {
  session_.output.row(withImageColumn(image, row.cellTexts()), widths_);
  session_.output.document()["images"].push_back(row.object());
  if (!failure.empty() && failures_++ == 0) firstFailure_ = image + ": " + failure;
}

void ImageRows::raiseIfAny() const {
  if (failures_ == 0) return;
  throw WorkFailure(failures_ > 1 ? firstFailure_ + " (and " + std::to_string(failures_ - 1) + " more)"
                                  : firstFailure_);
}

ReportRow boardViewRow(const std::string& image, int points, const std::string& note, bool reason) {
  ReportRow row({"image", "points", "reason"});
  row.hidden("image", image).shown("points", points < 0 ? nlohmann::json() : nlohmann::json(points));
  return row.hidden("reason", reason ? nlohmann::json(note) : nlohmann::json()).cells({note});
}

}  // namespace talmeq::cli
