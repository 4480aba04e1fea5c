// Reading the tool's input files with clear messages for bad paths and for
// images the library cannot work on.
#pragma once

#include <talmeq/boardDescription.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace talmeq::cli {

// Fails with UsageError unless `path` names an existing regular file.
void requireExistingFile(const std::string& path);

// An image as read, or why it cannot be used.
struct ImageRead {
  cv::Mat image;        // 8-bit BGR; empty when `problem` is set
  std::string problem;  // "not a readable image", "a 16-bit image; ..."
};

// The image at `path` (an existing file) as 8-bit BGR; grey and
// colour-with-alpha files are converted. An image with more than 8 bits per
// channel is refused: dividing 12- or 16-bit data down to 8 bits would leave
// a dim image and wrong results, so it has to be scaled by its real range
// first.
ImageRead tryReadImage(const std::string& path);

// The warnings of the images read so far whose decoder complained (a
// truncated JPEG, a PNG chunk with a bad checksum) yet gave an image; the
// list is emptied. The complaints never reach standard error themselves.
std::vector<std::string> takeDecoderWarnings();

// tryReadImage, with UsageError "<path>: <problem>" when the file is missing
// or the image cannot be used.
cv::Mat readImage(const std::string& path);

// The board description file at `path`; UsageError "<path>: <reason>" when
// it is missing or does not describe a board.
BoardDescription readBoardFile(const std::string& path);

}  // namespace talmeq::cli
