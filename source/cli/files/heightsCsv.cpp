// Parsing of the height-series CSV (see heightsCsv.h).
#include "heightsCsv.h"

#include <filesystem>
#include <fstream>

#include "decimalNumbers.h"
#include "failures.h"
#include "imageFiles.h"

namespace talmeq::cli {
namespace {

namespace fs = std::filesystem;

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

const std::string kByteOrderMark = "\xEF\xBB\xBF";  // UTF-8's, as some editors write it

// Line 1 is a header only when its first field holds no digit (a name, not
// a mistyped number) and its second names no existing file.
bool readsAsHeader(const std::string& heightField, const fs::path& image) {
  std::error_code error;
  return heightField.find_first_of("0123456789") == std::string::npos && !fs::exists(image, error);
}

}  // namespace

std::vector<HeightRow> readHeightsCsv(const std::string& path, CsvColumns columns) {
  const bool timeAllowed = columns == CsvColumns::kOptionalTime;
  requireExistingFile(path);
  std::ifstream file(fs::u8path(path));
  if (!file) throw UsageError("cannot read file: " + path);
  const fs::path folder = fs::u8path(path).parent_path();
  std::vector<HeightRow> rows;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    if (number == 1 && line.rfind(kByteOrderMark, 0) == 0) line.erase(0, kByteOrderMark.size());
    line = trimmed(line);
    if (line.empty()) continue;
    const auto refuse = [&](const std::string& message) {
      throw UsageError(path + ":" + std::to_string(number) + ": " + message);
    };
    const auto comma = line.find(',');
    const auto second = comma == std::string::npos ? comma : line.find(',', comma + 1);
    const bool badCount =
        comma == std::string::npos ||
        (second != std::string::npos && (!timeAllowed || line.find(',', second + 1) != std::string::npos));
    if (badCount)
      refuse(timeAllowed ? "expected 'height,image' or 'height,image,time', got: " + line
                         : "expected two fields 'height,image', got: " + line);
    const std::string heightField = trimmed(line.substr(0, comma));
    const std::string imageField =
        trimmed(line.substr(comma + 1, second == std::string::npos ? second : second - comma - 1));
    const std::string timeField = second == std::string::npos ? "" : trimmed(line.substr(second + 1));
    HeightRow row;
    const std::optional<double> height = parseDecimal(heightField);
    if (!height) {
      if (number == 1 && readsAsHeader(heightField, folder / fs::u8path(imageField))) continue;
      refuse("height is not a finite decimal number: '" + heightField + "'");
    }
    row.height = *height;
    if (imageField.empty()) refuse("image field is empty");
    if (!timeField.empty()) {
      const std::optional<double> time = parseDecimal(timeField);
      if (!time) refuse("time is not a finite decimal number: '" + timeField + "'");
      row.timed = true;
      row.time = *time;
    }
    const fs::path image = fs::u8path(imageField);
    row.image = (image.is_absolute() ? image : folder / image).string();
    std::error_code missing;
    if (!fs::is_regular_file(fs::u8path(row.image), missing)) refuse("no such file: " + row.image);
    rows.push_back(row);
  }
  if (rows.empty()) throw UsageError(path + ": no 'height,image' rows");
  return rows;
}

}  // namespace talmeq::cli
