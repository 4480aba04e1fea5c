// The checks every output path passes before any work starts, so that a run
// refused for its arguments has changed no file: the folder exists, the name
// suits the content, and no output is (or links to) an input or another
// output of the same run.
#pragma once

#include <string>
#include <vector>

namespace talmeq::cli {

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
