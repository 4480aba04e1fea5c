// Image file I/O of the tool (see imageFiles.h).
#include "imageFiles.h"

#include <opencv2/imgcodecs.hpp>

#include <fstream>
#include <map>

#include "failures.h"

namespace talmeq::cli {

namespace fs = std::filesystem;

void requireExistingFile(const std::string& path) {
  std::error_code error;
  if (!fs::is_regular_file(fs::u8path(path), error)) throw UsageError("no such file: " + path);
}

cv::Mat readImage(const std::string& path) {
  requireExistingFile(path);
  cv::Mat image;
  try {
    image = cv::imread(path, cv::IMREAD_COLOR);
  } catch (const cv::Exception&) {
    image.release();
  }
  if (image.empty()) throw UsageError("not a readable image: " + path);
  return image;
}

void requireWritableLocation(const std::string& path) {
  const fs::path parent = fs::u8path(path).parent_path();
  std::error_code error;
  if (!parent.empty() && !fs::is_directory(parent, error))
    throw UsageError("no such directory for output file: " + path);
}

void writeImage(const std::string& path, const cv::Mat& image) {
  requireWritableLocation(path);
  std::vector<unsigned char> bytes;
  const std::string extension = fs::u8path(path).extension().string();
  bool encoded = false;
  try {
    encoded = !extension.empty() && cv::imencode(extension, image, bytes);
  } catch (const cv::Exception&) {
    encoded = false;
  }
  if (!encoded) throw UsageError("cannot encode an image for the file name: " + path);
  writeBytes(path, bytes);
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  requireWritableLocation(path);
  std::ofstream file(fs::u8path(path), std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw UsageError("cannot write file: " + path);
}

std::string withStemSuffix(const std::string& path, const std::string& tag) {
  const fs::path original = fs::u8path(path);
  fs::path result = original.parent_path() / (original.stem().string() + "-" + tag);
  result += original.extension();
  return result.string();
}

std::vector<std::string> annotationPaths(const std::vector<std::string>& images, const std::string& annotate) {
  if (annotate.empty()) return std::vector<std::string>(images.size());
  requireWritableLocation(annotate);
  if (images.size() == 1) return {annotate};
  std::vector<std::string> paths;
  std::map<std::string, std::string> byStem;
  for (const std::string& image : images) {
    const std::string stem = fs::u8path(image).stem().string();
    if (!byStem.emplace(stem, image).second)
      throw UsageError("two images share the name '" + stem + "' (" + byStem[stem] + ", " + image +
                       "): their annotations would overwrite each other");
    paths.push_back(withStemSuffix(annotate, stem));
  }
  return paths;
}

}  // namespace talmeq::cli
