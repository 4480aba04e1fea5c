// Row-by-row report of a run over several images (see imageRows.h).
#include "imageRows.h"

namespace talmeq::cli {
namespace {

std::vector<std::string> withImageColumn(const std::vector<std::string>& columns) {
  std::vector<std::string> all{"image"};
  all.insert(all.end(), columns.begin(), columns.end());
  return all;
}

std::vector<std::size_t> withImageWidth(const std::vector<std::string>& images, std::vector<std::size_t> widths) {
  widths.insert(widths.begin(), widestOf(images, "image"));
  return widths;
}

}  // namespace

ImageRows::ImageRows(Session& session, const std::string& progressLabel, const std::vector<std::string>& images,
                     const std::vector<std::string>& columns, const std::vector<std::size_t>& widths)
    : session_(session),
      progress_(progressLabel, images.size()),
      table_(session.output, withImageColumn(columns), withImageWidth(images, widths)) {
  session_.output.document()["images"] = nlohmann::json::array();
}

void ImageRows::next(const std::string& image) { progress_.step(image); }

void ImageRows::add(const std::string& image, const ReportRow& row, const std::string& failure) {
  std::vector<std::string> cells{image};
  cells.insert(cells.end(), row.cellTexts().begin(), row.cellTexts().end());
  table_.row(cells);
  session_.output.document()["images"].push_back(row.object());
  if (!failure.empty()) failures_.add(image, failure);
}

ReportRow boardViewRow(const std::string& image, int points, const std::string& note, bool reason) {
  ReportRow row({"image", "points", "reason"});
  row.hidden("image", image).shown("points", points < 0 ? nlohmann::json() : nlohmann::json(points));
  return row.hidden("reason", reason ? nlohmann::json(note) : nlohmann::json()).cells({note});
}

}  // namespace talmeq::cli
