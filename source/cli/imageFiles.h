// Reading and writing image files with clear messages for bad paths.
#pragma once

#include <opencv2/core.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace talmeq::cli {

// Fails with UsageError unless `path` names an existing regular file.
void requireExistingFile(const std::string& path);

// The image at `path` as 8-bit BGR; UsageError when the file is missing or
// not a readable image.
cv::Mat readImage(const std::string& path);

// Encodes `image` by the extension of `path` and writes it; UsageError when
// the extension is not an image format or the file cannot be written.
void writeImage(const std::string& path, const cv::Mat& image);

// Writes raw bytes; UsageError when the file cannot be written.
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// Fails with UsageError when the directory that would hold `path` is missing.
void requireWritableLocation(const std::string& path);

// `path` with "-<tag>" appended to its stem: out.png, a -> out-a.png.
std::string withStemSuffix(const std::string& path, const std::string& tag);

// Where the annotation of each image goes: nothing when `annotate` is empty,
// `annotate` itself for one image, else `annotate` with "-<image stem>"
// appended to its stem (ann.png, a.png -> ann-a.png). UsageError when two
// images share a stem.
std::vector<std::string> annotationPaths(const std::vector<std::string>& images, const std::string& annotate);

}  // namespace talmeq::cli
