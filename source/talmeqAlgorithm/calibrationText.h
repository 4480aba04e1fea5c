// From a calibration file on disk to its top-level mapping: the bytes, read
// with a size bound and inflated in memory when the name ends in ".gz" (as
// cv::FileStorage decides it), checked for characters no calibration file
// holds, and read by the reader of the format that the first bytes name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "calibrationSyntax.h"

namespace talmeq::calibration {

// The largest file, and the largest inflated text, that is read: far above
// the few hundred bytes of a calibration file.
inline constexpr std::size_t kMaxTextBytes = std::size_t{1} << 20;

// The longest line; cv::FileStorage itself refuses texts of 4096 bytes.
inline constexpr std::size_t kMaxLineBytes = 4000;

// The text of the file at `path`, or nothing when it cannot be opened.
// Raises OpenCV's parse error when the file or its inflated text is larger
// than kMaxTextBytes, or its gzip stream is damaged or followed by more data.
// A name ending in ".gz" whose bytes do not start a gzip stream is read as
// it stands, as zlib does.
std::optional<std::string> loadText(const std::string& path);

// The mapping `text` holds; raises OpenCV's parse error for any text that is
// not a calibration file: a byte below 32 other than a tab or a line break
// ("\n", "\r\n"), a line longer than kMaxLineBytes, a first byte that names
// no format, or anything its format's reader refuses.
Mapping readMapping(const std::string& text);

}  // namespace talmeq::calibration
