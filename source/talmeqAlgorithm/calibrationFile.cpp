#include "calibrationFile.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace talmeq {
namespace {

namespace fs = std::filesystem;

double readReal(const cv::FileStorage& storage, const char* key) {
  double value = 0.0;
  cv::read(storage[key], value, 0.0);
  return value;
}

void readFixed(const cv::FileStorage& storage, CalibrationValues& v) {
  v.scale = readReal(storage, "scale");
  v.dist = readReal(storage, "dist");
  v.initZ = readReal(storage, "initZ");
  v.focusD = readReal(storage, "focusD");
}

// "RoI" as four numbers, or (0, 0, 0, 0) for anything else: cv::read itself
// raises an error for a text or a mapping in its place.
cv::Rect readRegion(const cv::FileNode& node) {
  constexpr std::size_t kRegionNumbers = 4;
  if (!node.isSeq() || node.size() != kRegionNumbers) return {};
  for (const cv::FileNode& element : node)
    if (!element.isInt() && !element.isReal()) return {};
  cv::Rect region;
  cv::read(node, region, cv::Rect());
  return region;
}

void readAll(const cv::FileStorage& storage, CalibrationValues& v) {
  v.k = readReal(storage, "k");
  v.b = readReal(storage, "b");
  v.initialX = readReal(storage, "initialX");
  v.initialY = readReal(storage, "initialY");
  readFixed(storage, v);
  v.roi = readRegion(storage["RoI"]);
  v.offsetX = readReal(storage, "offsetX");
  v.offsetY = readReal(storage, "offsetY");
}

// True when the file's name marks it as compressed, which cv::FileStorage
// reads through zlib.
bool compressedName(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".gz";
}

// True when the text could hold a YAML flow mapping entry without a key:
// '{' or ',' then white space (line breaks included) then ':'. OpenCV's
// parser takes such a key's length as negative and aborts the process.
// Where the text stands (inside quotes, a comment) is not looked at, since
// OpenCV's own reading of quotes decides that; no calibration file holds
// such text.
bool hasKeylessFlowEntry(const std::string& text) {
  constexpr const char* kWhiteSpace = " \t\r\n";
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '{' && text[i] != ',') continue;
    const std::size_t next = text.find_first_not_of(kWhiteSpace, i + 1);
    if (next != i + 1 && next != std::string::npos && text[next] == ':') return true;
  }
  return false;
}

// The first fault of YAML text that OpenCV's parser does not report but
// loops or aborts on, or nullptr: a document start or end marker ("---",
// "...") with text glued to it, a line indented less than the first line of
// the top-level mapping (which no valid file holds; comments, directives and
// markers are not content lines), or a keyless flow mapping entry.
const char* yamlFault(const std::string& text) {
  std::istringstream lines(text);
  std::size_t rootIndent = std::string::npos;
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, 3, "---") == 0 || line.compare(0, 3, "...") == 0) {
      if (line.find_first_not_of(" \t\r", 3) != std::string::npos) return "text after a document marker";
      continue;
    }
    const std::size_t indent = line.find_first_not_of(" \t\r");
    if (indent == std::string::npos || line[indent] == '#' || line[indent] == '%') continue;
    if (rootIndent == std::string::npos) rootIndent = indent;
    if (indent < rootIndent) return "a line indented less than the first key";
  }
  return hasKeylessFlowEntry(text) ? "a flow mapping entry without a key" : nullptr;
}

// True when XML text has a processing instruction ("<?") that its line does
// not close ("?>").
bool hasOpenXmlInstruction(const std::string& text) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t open = line.find("<?");
    if (open != std::string::npos && line.find("?>", open + 2) == std::string::npos) return true;
  }
  return false;
}

// Raises OpenCV's parse error for text its own parser mishandles instead of
// raising that error itself: a NUL byte (as in blocks a power loss left
// zero-filled) or an XML processing instruction left open makes it
// dereference a null pointer, and the YAML faults above make it loop or
// abort. All are invalid in a calibration file anyway.
// Compressed files are left to the parser.
void requireParsableText(const fs::path& path) {
  if (compressedName(path)) return;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  const std::string text = content.str();
  if (text.find('\0') != std::string::npos)
    CV_Error(cv::Error::StsParseError, "the calibration file holds a NUL byte");
  // OpenCV tells the formats apart by the first character: XML '<', JSON '{'.
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  const char kind = first == std::string::npos ? '\0' : text[first];
  if (kind == '<' && hasOpenXmlInstruction(text))
    CV_Error(cv::Error::StsParseError, "the calibration file leaves an XML processing instruction open");
  const char* fault = kind != '<' && kind != '{' ? yamlFault(text) : nullptr;
  if (fault) CV_Error(cv::Error::StsParseError, std::string("the calibration file has ") + fault);
}

// Opens `path` for reading, runs `reader` on it and releases it. Returns false
// when the file does not open. Only a regular file counts: for a folder or
// an empty path cv::FileStorage raises an error on some platforms and merely
// fails to open on others.
template <class Reader>
bool readWith(const std::string& path, CalibrationValues& values, Reader reader) {
  std::error_code error;
  if (!fs::is_regular_file(fs::path(path), error)) return false;
  requireParsableText(fs::path(path));
  cv::FileStorage storage(path, cv::FileStorage::READ, std::string());
  if (!storage.isOpened()) return false;
  CalibrationValues read = values;
  reader(storage, read);
  storage.release();
  values = read;
  return true;
}

void writeKeys(cv::FileStorage& storage, const CalibrationValues& v) {
  storage << "k" << v.k << "b" << v.b << "initialX" << v.initialX << "initialY" << v.initialY
          << "scale" << v.scale << "dist" << v.dist << "initZ" << v.initZ << "focusD" << v.focusD
          << "RoI" << v.roi << "offsetX" << v.offsetX << "offsetY" << v.offsetY;
}

bool sameReal(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool sameValues(const CalibrationValues& a, const CalibrationValues& b) {
  return sameReal(a.k, b.k) && sameReal(a.b, b.b) && sameReal(a.initialX, b.initialX) &&
         sameReal(a.initialY, b.initialY) && sameReal(a.scale, b.scale) && sameReal(a.dist, b.dist) &&
         sameReal(a.initZ, b.initZ) && sameReal(a.focusD, b.focusD) && a.roi == b.roi &&
         sameReal(a.offsetX, b.offsetX) && sameReal(a.offsetY, b.offsetY);
}

// A written file counts as complete only when it reads back to exactly the
// values written (a full disk truncates silently inside cv::FileStorage).
bool readsBackAs(const std::string& path, const CalibrationValues& expected) {
  try {
    CalibrationValues read;
    return readWith(path, read, readAll) && sameValues(read, expected);
  } catch (const cv::Exception&) {
    return false;
  }
}

// A name prefix no other writer uses at the same time: process-wide random
// seed, a counter and the clock.
std::string uniquePrefix() {
  static const std::uint64_t seed = std::random_device{}();
  static std::atomic<std::uint64_t> counter{0};
  const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::ostringstream prefix;
  prefix << ".tmp-" << std::hex << seed << '-' << counter++ << '-' << now << '-';
  return prefix.str();
}

// Forces the file's (or folder's) content to the disk, so the rename never
// publishes data that a power loss could still take back.
void flushToDisk(const fs::path& path) {
#ifdef _WIN32
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FlushFileBuffers(file);
  CloseHandle(file);
#else
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
#endif
}

// Renames `from` over `to`, replacing an existing `to` in one step.
bool replaceFile(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  std::error_code error;
  fs::rename(from, to, error);
  return !error;
#endif
}

bool writeTemporary(const std::string& path, const CalibrationValues& values) {
  cv::FileStorage storage(path, cv::FileStorage::WRITE, std::string());
  if (!storage.isOpened()) return false;
  writeKeys(storage, values);
  storage.release();
  return readsBackAs(path, values);
}

// The temporary file's name: the unique prefix and as much of the end of the
// target's name as keeps it within the usual 255-character limit of a file
// name, so the extensions that choose the format stay in place.
fs::path temporaryName(const fs::path& target) {
  constexpr std::size_t kMaxNameLength = 255;
  const std::string prefix = uniquePrefix();
  const std::string name = target.filename().string();
  const std::size_t kept = std::min(name.size(), kMaxNameLength - prefix.size());
  return target.parent_path() / (prefix + name.substr(name.size() - kept));
}

}  // namespace

bool readCalibration(const std::string& path, CalibrationValues& values) {
  return readWith(path, values, readAll);
}

bool readFixedSettings(const std::string& path, CalibrationValues& values) {
  return readWith(path, values, readFixed);
}

bool writeCalibration(const std::string& path, const CalibrationValues& values) {
  const fs::path target(path);
  if (!target.has_filename()) return false;
  const fs::path temporary = temporaryName(target);
  const bool written = writeTemporary(temporary.string(), values);
  if (written) flushToDisk(temporary);
  if (written && replaceFile(temporary, target)) {
    flushToDisk(target.parent_path().empty() ? fs::path(".") : target.parent_path());
    return true;
  }
  std::error_code ignored;
  fs::remove(temporary, ignored);
  return false;
}

}  // namespace talmeq
