// Paths reach the library as std::string in UTF-8 on every system. On
// Windows a std::filesystem::path made from a narrow string would take it in
// the ANSI code page, so the conversions go through these two functions,
// which name the encoding; elsewhere they change nothing.
#pragma once

#include <filesystem>
#include <string>

namespace talmeq::detail {

inline std::filesystem::path pathFromUtf8(const std::string& text) { return std::filesystem::u8path(text); }

inline std::string utf8Text(const std::filesystem::path& path) { return path.u8string(); }

}  // namespace talmeq::detail
