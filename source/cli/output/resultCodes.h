// What each result code of each export means, in words, for the tool's
// messages: "getSpotCoord returned -1: no spot found".
#pragma once

#include <string>
#include <string_view>

namespace talmeq::cli {

// The meaning of `code` returned by the export `exportName`.
std::string_view resultMeaning(std::string_view exportName, int code);

// Throws WorkFailure "<export> returned <code>: <meaning>" unless `code`
// is 0; `subject` (an image path, for example) prefixes the message when it
// is not empty.
void requireSuccess(std::string_view exportName, int code, std::string_view subject = {});

}  // namespace talmeq::cli
