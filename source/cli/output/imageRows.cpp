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

void ImageRows::add(const std::string& image, std::vector<std::string> cells, const nlohmann::json& row,
                    const std::string& failure) {
  cells.insert(cells.begin(), image);
  table_.row(cells);
  session_.output.document()["images"].push_back(row);
  if (!failure.empty()) failures_.add(image, failure);
}

}  // namespace talmeq::cli
