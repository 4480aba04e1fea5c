#include "calibrationText.h"

#include <zlib.h>

#ifdef _WIN32
#include <filesystem>

#include "utf8Paths.h"
#include "windowsApi.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif
#include <ios>

#include "calibrationFormats.h"

namespace talmeq::detail::calibration {
namespace {

// Inflates one whole gzip stream; the outcome of the zlib calls decides
// after the stream is released, so an error leaks nothing.
std::string inflateGzip(const std::string& compressed) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) raiseParseError(1, "the decompressor does not start");
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::string text;
  char chunk[16384];
  int status = Z_OK;
  while (status == Z_OK && text.size() <= kMaxTextBytes) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    status = inflate(&stream, Z_NO_FLUSH);
    text.append(chunk, sizeof chunk - stream.avail_out);
  }
  const bool whole = status == Z_STREAM_END && stream.avail_in == 0;
  inflateEnd(&stream);
  if (text.size() > kMaxTextBytes) raiseParseError(1, "the compressed file inflates beyond the size bound");
  if (!whole) raiseParseError(1, "the compressed stream is damaged, cut short or followed by more data");
  return text;
}

void appendBounded(std::string& bytes, const char* chunk, std::streamsize count) {
  bytes.append(chunk, static_cast<std::size_t>(count));
  if (bytes.size() > kMaxTextBytes) raiseParseError(1, "the file is larger than the size bound");
}

// Closes the file however the reading ends.
#ifdef _WIN32
struct OpenFile {
  HANDLE handle;
  ~OpenFile() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
#else
struct OpenFile {
  int descriptor;
  ~OpenFile() {
    if (descriptor >= 0) ::close(descriptor);
  }
};
#endif

void checkCharacters(const std::string& text) {
  std::size_t line = 1, lineStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\n') {
      ++line;
      lineStart = i + 1;
      continue;
    }
    if (i - lineStart >= kMaxLineBytes) raiseParseError(line, "a line longer than the bound");
    if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (byte < 0x20 && byte != '\t') raiseParseError(line, "a control character or a NUL byte");
  }
}

}  // namespace

#ifdef _WIN32
// Opened with every sharing mode, as a host's own readers open the file, so
// that a writer may replace it while it is being read.
bool loadBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  std::error_code error;
  const std::filesystem::path file = pathFromUtf8(path);
  if (!std::filesystem::is_regular_file(file, error)) return false;
  const OpenFile opened{CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (opened.handle == INVALID_HANDLE_VALUE) return false;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(opened.handle, chunk, sizeof chunk, &got, nullptr) && got > 0) appendBounded(bytes, chunk, got);
  return true;  // the end, or a read error: what was read stands, as elsewhere
}
#else
// Plain system calls: a file stream would allocate its buffer and its FILE
// on every opening.
bool loadBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  const OpenFile file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.descriptor < 0) return false;
  char chunk[4096];
  for (;;) {
    const ssize_t got = ::read(file.descriptor, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;  // the end, or a read error: what was read stands, as with a stream
    appendBounded(bytes, chunk, got);
  }
}
#endif

bool compressedName(const std::string& path) {
  return path.size() >= 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
}

Mapping readFileMapping(const std::string& path, const std::string& bytes) {
  if (compressedName(path) && bytes.compare(0, 2, "\x1f\x8b") == 0) return readMapping(inflateGzip(bytes));
  return readMapping(bytes);
}

Mapping readMapping(const std::string& text) {
  checkCharacters(text);
  if (text.compare(0, 5, "%YAML") == 0) return readYaml(text);
  if (text.compare(0, 1, "{") == 0) return readJson(text);
  if (text.compare(0, 5, "<?xml") == 0) return readXml(text);
  raiseParseError(1, "the file starts with none of \"%YAML\", \"{\" and \"<?xml\"");
}

}  // namespace talmeq::detail::calibration
