// Every file the tool writes (annotations, plots, targets, camera files, the
// calibration file's draft) goes through the library's atomic replacement
// (talmeq/fileReplacement.h): a failed write, a full disk or an interruption
// never leaves a truncated file where a good one was; the old file stays as
// it was and the run fails with exit status 1.
//
// Every output path passes its checks before any work starts, so that a run
// refused for its arguments has changed no file: the folder exists, the name
// suits the content, and no output is (or links to) an input or another
// output of the same run.
#pragma once

#include <functional>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace talmeq::cli {

// talmeq::replaceFile(target, write); WorkFailure naming `target` when it
// fails or `write` raises an OpenCV error (the target is then unchanged).
// Any other exception from `write` goes on to the caller.
void writeOutput(const std::string& target, const std::function<bool(const std::string& temporary)>& write);

// Writes `bytes` as the file `path` through writeOutput().
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// Encodes `image` by the extension of `path` (checked beforehand by
// requireImageOutput) and writes it through writeOutput().
void writeImage(const std::string& path, const cv::Mat& image);

// UsageError when the folder that would hold `path` is missing or `path`
// names a folder.
void requireOutputLocation(const std::string& path);

// requireOutputLocation, and UsageError unless OpenCV can encode an 8-bit
// colour picture, as the tool draws them, for the extension of `path` (.png,
// .jpg, .bmp, .tif, ...; not .pbm, .pgm or .exr).
void requireImageOutput(const std::string& path);

// requireOutputLocation, and UsageError unless `path` ends in one of the
// `extensions` (lower case, with the dot), in any letter case.
void requireExtension(const std::string& path, const std::vector<std::string>& extensions, const std::string& what);

// The file the library's log of this run appends to (empty when a
// properties file decides): refuseOverlaps counts it as one more output.
void setLibraryLogFile(const std::string& path);

// UsageError when an output (or the log file) names the same file as an
// input, or as another output: the same path, a link to it, or a hard link of it.
void refuseOverlaps(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);

// The extension of `path` in lower case, with its dot ("" for none).
std::string lowerExtension(const std::string& path);

// `path` with "-<tag>" appended to its stem: out.png, a -> out-a.png.
std::string withStemSuffix(const std::string& path, const std::string& tag);

// Where the annotation of each image goes: nothing when `annotate` is empty,
// `annotate` itself for one image, else `annotate` with "-<image stem>"
// appended to its stem (ann.png, a.png -> ann-a.png). Checks `annotate` with
// requireImageOutput; UsageError when two images share a stem.
std::vector<std::string> annotationPaths(const std::vector<std::string>& images, const std::string& annotate);

}  // namespace talmeq::cli
