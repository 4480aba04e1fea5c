// A cv::FileStorage document written to a file named by a UTF-8 path.
// cv::FileStorage opens its file by a narrow name, which Windows takes in the
// ANSI code page, so a folder named in another script could not be written
// there. On Windows the document is therefore made in memory and written
// through the file's wide name, as cv::FileStorage writes it: in text mode,
// or gzip-compressed at its level 3 under a name ending in ".gz".
#pragma once

#include <functional>
#include <opencv2/core.hpp>
#include <string>

namespace talmeq::detail {

// Opens a storage for writing in the format the name chooses, lets `fill`
// write into it and writes it to `path`. Returns whether the file could be
// opened and (on Windows, where the bytes are written here) written whole.
bool writeStorageFile(const std::string& path, const std::function<void(cv::FileStorage&)>& fill);

}  // namespace talmeq::detail
