// What each result code of each export means, in words, for the tool's
// messages: "getSpotCoord returned -1: no spot found".
#pragma once

#include <string>
#include <string_view>

namespace talmeq::cli {

// The meaning of `code` returned by the export `exportName`.
std::string_view resultMeaning(std::string_view exportName, int code);

// "<export> returned <code>: <meaning>".
std::string describeResult(std::string_view exportName, int code);

// Throws WorkFailure with describeResult() unless `code` is 0; `subject`
// (an image path, for example) prefixes the message when it is not empty.
void requireSuccess(std::string_view exportName, int code, std::string_view subject = {});

// Collects the failures of a run over several images, so every image is
// worked on before the run fails with the first failure's message.
class FailureTally {
 public:
  // Counts the failure `message` of `subject`.
  void add(const std::string& subject, const std::string& message);
  std::size_t count() const { return count_; }
  // Throws WorkFailure naming the first failure and how many followed.
  void raiseIfAny() const;

 private:
  std::string first_;
  std::size_t count_ = 0;
};

}  // namespace talmeq::cli
