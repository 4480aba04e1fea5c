// Shared pieces of the fuzzing harnesses: a logger that drops everything (the
// harnesses run millions of calls) and the decoding of fuzzer bytes into a
// small BGR frame.
#pragma once

#include <talmeq/logger.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <log4cpp/Category.hh>
#include <memory>
#include <opencv2/core.hpp>

namespace talmeq::fuzz {

// Routes both logger streams to a category that accepts no priority, so no
// message is formatted or written.
class SilentRouter final : public logger::Router {
 public:
  SilentRouter() : category_(log4cpp::Category::getInstance("talmeq.fuzz.silent")) {
    category_.removeAllAppenders();
    category_.setAdditivity(false);
    category_.setPriority(log4cpp::Priority::FATAL);
  }
  log4cpp::Category& print() override { return category_; }
  log4cpp::Category& file() override { return category_; }

 private:
  log4cpp::Category& category_;
};

inline void silenceLogger() {
  static const bool installed = [] {
    logger::setRouter(std::make_shared<SilentRouter>());
    return true;
  }();
  (void)installed;
}

// Reads bytes from the front of the fuzzer input; zero once it is used up.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t next() { return used_ < size_ ? data_[used_++] : 0; }
  const std::uint8_t* rest() const { return data_ + used_; }
  std::size_t restSize() const { return size_ - used_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t used_ = 0;
};

// A CV_8UC3 frame of 1..kMaxSide columns and rows (two bytes), its pixels
// filled from the remaining bytes, repeated as often as needed (black when
// there are none), so short inputs still make whole pictures.
inline cv::Mat decodeFrame(ByteReader& bytes) {
  constexpr int kMaxSide = 64;
  const int cols = 1 + bytes.next() % kMaxSide;
  const int rows = 1 + bytes.next() % kMaxSide;
  cv::Mat frame(rows, cols, CV_8UC3, cv::Scalar::all(0));
  const std::size_t available = bytes.restSize();
  if (available == 0) return frame;
  std::uint8_t* pixels = frame.ptr<std::uint8_t>(0);
  const std::size_t total = frame.total() * frame.elemSize();
  for (std::size_t i = 0; i < total; ++i) pixels[i] = bytes.rest()[i % available];
  return frame;
}

}  // namespace talmeq::fuzz
