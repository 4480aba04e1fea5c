// The CSV of a height series: one `height,image` row per image, an optional
// header line first (a first field without digits, a second that names no
// file), a UTF-8 byte-order mark and blank lines ignored. Image paths are relative to the
// CSV's own folder unless absolute.
#pragma once

#include <string>
#include <vector>

namespace talmeq::cli {

struct HeightRow {
  double height = 0.0;
  std::string image;   // resolved against the CSV's folder
  bool timed = false;  // a third field `time` was given
  double time = 0.0;   // seconds
};

enum class CsvColumns {
  kHeightImage,   // `height,image`
  kOptionalTime,  // `height,image` or `height,image,time`
};

// The rows of the CSV at `path`; UsageError naming the file and line for a
// missing file, a row that is not two fields, a height that is not a finite
// decimal number (no hexadecimal, inf or nan), an empty image field, an image that is not an existing file, or a
// file without rows.
// With kOptionalTime, a third field is a finite decimal time in seconds (an
// empty third field gives an untimed row).
std::vector<HeightRow> readHeightsCsv(const std::string& path, CsvColumns columns = CsvColumns::kHeightImage);

}  // namespace talmeq::cli
