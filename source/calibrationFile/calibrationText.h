// From a calibration file on disk to its top-level mapping: the bytes, read
// with a size bound and inflated in memory when the name ends in ".gz" (as
// cv::FileStorage decides it), checked for characters no calibration file
// holds, and read by the reader of the format that the first bytes name.
#pragma once

#include <cstddef>
#include <string>

#include "calibrationSyntax.h"

namespace talmeq::detail::calibration {

// The largest file, and the largest inflated text, that is read: far above
// the few hundred bytes of a calibration file.
inline constexpr std::size_t kMaxTextBytes = std::size_t{1} << 20;

// The longest line; cv::FileStorage itself refuses texts of 4096 bytes.
inline constexpr std::size_t kMaxLineBytes = 4000;

// Reads the bytes of the file at `path` into `bytes`, whose capacity is
// kept: a thread that reads the same file on every frame asks the heap for
// nothing here. Returns false when the path names no regular file or it
// cannot be opened (a folder would read differently on each platform).
// Raises OpenCV's parse error when the file is larger than kMaxTextBytes.
bool loadBytes(const std::string& path, std::string& bytes);

// True when the name ends in ".gz", as cv::FileStorage decides compression.
bool compressedName(const std::string& path);

// The mapping that `bytes`, read from the file at `path`, hold: inflated
// first when the name ends in ".gz" and the bytes start a gzip stream (as
// cv::FileStorage decides it), read as they stand otherwise, as zlib does.
// Raises OpenCV's parse error when the inflated text is larger than
// kMaxTextBytes, the gzip stream is damaged or followed by more data, or
// readMapping refuses the text.
Mapping readFileMapping(const std::string& path, const std::string& bytes);

// The mapping `text` holds; raises OpenCV's parse error for any text that is
// not a calibration file: a byte below 32 other than a tab or a line break
// ("\n", "\r\n"), a line longer than kMaxLineBytes, a first byte that names
// no format, or anything its format's reader refuses.
Mapping readMapping(const std::string& text);

}  // namespace talmeq::detail::calibration
