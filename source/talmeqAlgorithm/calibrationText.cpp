#include "calibrationText.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>

#include "calibrationFormats.h"

namespace talmeq::calibration {
namespace {

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

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

std::optional<std::string> loadText(const std::string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxTextBytes) raiseParseError(1, "the file is larger than the size bound");
  }
  if (endsWith(path, ".gz") && bytes.compare(0, 2, "\x1f\x8b") == 0) return inflateGzip(bytes);
  return bytes;
}

Mapping readMapping(const std::string& text) {
  checkCharacters(text);
  if (text.compare(0, 5, "%YAML") == 0) return readYaml(text);
  if (text.compare(0, 1, "{") == 0) return readJson(text);
  if (text.compare(0, 5, "<?xml") == 0) return readXml(text);
  raiseParseError(1, "the file starts with none of \"%YAML\", \"{\" and \"<?xml\"");
}

}  // namespace talmeq::calibration
