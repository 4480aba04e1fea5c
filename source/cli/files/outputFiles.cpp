// The tool's output files: their checks before the work, and their writing
// (see outputFiles.h).
#include "outputFiles.h"

#include <talmeq/fileReplacement.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <opencv2/imgcodecs.hpp>

#include "failures.h"

namespace talmeq::cli {

namespace fs = std::filesystem;
namespace {

std::string libraryLogFile;  // the run's log file, when the tool knows it

// The same file: both exist and are one file (links followed), or their
// absolute paths agree once the existing part is resolved.
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  const fs::path pa = fs::u8path(a), pb = fs::u8path(b);
  if (fs::exists(pa, error) && fs::exists(pb, error)) return fs::equivalent(pa, pb, error);
  const fs::path ra = fs::weakly_canonical(fs::absolute(pa, error), error);
  const fs::path rb = fs::weakly_canonical(fs::absolute(pb, error), error);
  return ra == rb;
}

}  // namespace

std::string lowerExtension(const std::string& path) {
  std::string extension = fs::u8path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

void requireOutputLocation(const std::string& path) {
  const fs::path target = fs::u8path(path);
  std::error_code error;
  if (!target.parent_path().empty() && !fs::is_directory(target.parent_path(), error))
    throw UsageError("no such directory for output file: " + path);
  if (!target.has_filename() || fs::is_directory(target, error))
    throw UsageError("the output names a directory, not a file: " + path);
}

void requireImageOutput(const std::string& path) {
  requireOutputLocation(path);
  bool writable = false;
  try {
    // Encoded the way the tool will use it: an 8-bit colour picture.
    std::vector<unsigned char> bytes;
    writable = !lowerExtension(path).empty() && cv::haveImageWriter(path) &&
               cv::imencode(lowerExtension(path), cv::Mat(8, 8, CV_8UC3, cv::Scalar::all(128)), bytes);
  } catch (const cv::Exception&) {
    writable = false;
  }
  if (!writable)
    throw UsageError("cannot write an image named " + path +
                     ": give it an image extension such as .png, whose format holds an 8-bit colour picture");
}

void requireExtension(const std::string& path, const std::vector<std::string>& extensions, const std::string& what) {
  requireOutputLocation(path);
  if (std::find(extensions.begin(), extensions.end(), lowerExtension(path)) == extensions.end()) {
    std::string list;
    for (const std::string& extension : extensions) list += (list.empty() ? "" : ", ") + extension;
    throw UsageError(what + " must name a " + list + " file: " + path);
  }
}

void setLibraryLogFile(const std::string& path) { libraryLogFile = path; }

void refuseOverlaps(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs) {
  if (!libraryLogFile.empty()) {
    for (const std::string& input : inputs)
      if (sameFile(libraryLogFile, input))
        throw UsageError("the log file " + libraryLogFile + " would overwrite the input " + input);
    for (const std::string& output : outputs)
      if (!output.empty() && sameFile(libraryLogFile, output))
        throw UsageError("the log file " + libraryLogFile + " would overwrite the output " + output);
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (outputs[i].empty()) continue;
    for (const std::string& input : inputs)
      if (sameFile(outputs[i], input))
        throw UsageError("the output " + outputs[i] + " would overwrite the input " + input);
    for (std::size_t j = i + 1; j < outputs.size(); ++j)
      if (!outputs[j].empty() && sameFile(outputs[i], outputs[j]))
        throw UsageError("two outputs name the same file: " + outputs[i] + " and " + outputs[j]);
  }
}

std::string withStemSuffix(const std::string& path, const std::string& tag) {
  const fs::path original = fs::u8path(path);
  fs::path result = original.parent_path() / fs::u8path(original.stem().u8string() + "-" + tag);
  result += original.extension();
  return result.u8string();
}

std::vector<std::string> annotationPaths(const std::vector<std::string>& images, const std::string& annotate) {
  if (annotate.empty()) return std::vector<std::string>(images.size());
  requireImageOutput(annotate);
  if (images.size() == 1) return {annotate};
  std::vector<std::string> paths;
  std::map<std::string, std::string> byStem;
  for (const std::string& image : images) {
    const std::string stem = fs::u8path(image).stem().u8string();
    if (!byStem.emplace(stem, image).second)
      throw UsageError("two images share the name '" + stem + "' (" + byStem[stem] + ", " + image +
                       "): their annotations would overwrite each other");
    paths.push_back(withStemSuffix(annotate, stem));
  }
  return paths;
}

void writeOutput(const std::string& target, const std::function<bool(const std::string& temporary)>& write) {
  bool written = false;
  // The system's reason is taken right where the writing failed: the
  // clean-up that follows a failure sets errno again.
  int reason = 0;
  bool filled = false;
  try {
    written = replaceFile(target, [&](const std::string& temporary) {
      errno = 0;
      filled = write(temporary);
      reason = filled ? 0 : errno;
      return filled;
    });
    if (!written && filled) reason = errno;  // the content was whole: publishing it failed
  } catch (const cv::Exception&) {
    written = false;
  }
  if (!written)
    throw WorkFailure("cannot write " + target + (reason != 0 ? std::string(": ") + std::strerror(reason) : "") +
                      " (any earlier file of that name is unchanged)");
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  writeOutput(path, [&](const std::string& temporary) {
#ifdef _WIN32
    std::FILE* file = _wfopen(fs::u8path(temporary).c_str(), L"wb");
#else
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
#endif
    if (!file) return false;
    const bool all = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && all;
  });
}

void writeImage(const std::string& path, const cv::Mat& image) {
  std::vector<unsigned char> bytes;
  bool encoded = false;
  try {
    encoded = cv::imencode(fs::u8path(path).extension().string(), image, bytes);
  } catch (const cv::Exception& error) {
    throw WorkFailure("cannot encode the image for " + path + ": " + error.err);
  }
  if (!encoded) throw WorkFailure("cannot encode the image for " + path);
  writeBytes(path, bytes);
}

}  // namespace talmeq::cli
