#include "storageFile.h"

#ifdef _WIN32
#include <zlib.h>

#include <cstdio>

#include "calibrationText.h"
#include "utf8Paths.h"
#endif

namespace talmeq::detail {

#ifdef _WIN32
namespace {

constexpr int kStorageCompressionLevel = 3;  // cv::FileStorage's own for ".gz"

bool writeCompressed(std::FILE* file, const std::string& text) {
  z_stream stream{};
  if (deflateInit2(&stream, kStorageCompressionLevel, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  char chunk[16384];
  int status = Z_OK;
  bool written = true;
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    status = deflate(&stream, Z_FINISH);
    const std::size_t count = sizeof chunk - stream.avail_out;
    written = written && std::fwrite(chunk, 1, count, file) == count;
  }
  deflateEnd(&stream);
  return written && status == Z_STREAM_END;
}

}  // namespace

bool writeStorageFile(const std::string& path, const std::function<void(cv::FileStorage&)>& fill) {
  cv::FileStorage storage(path, cv::FileStorage::WRITE | cv::FileStorage::MEMORY, std::string());
  if (!storage.isOpened()) return false;
  fill(storage);
  const std::string text = storage.releaseAndGetString();
  const bool compressed = calibration::compressedName(path);
  std::FILE* file = _wfopen(pathFromUtf8(path).c_str(), compressed ? L"wb" : L"wt");
  if (file == nullptr) return false;
  const bool written =
      compressed ? writeCompressed(file, text) : std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}
#else
bool writeStorageFile(const std::string& path, const std::function<void(cv::FileStorage&)>& fill) {
  cv::FileStorage storage(path, cv::FileStorage::WRITE, std::string());
  if (!storage.isOpened()) return false;
  fill(storage);
  storage.release();
  return true;
}
#endif

}  // namespace talmeq::detail
