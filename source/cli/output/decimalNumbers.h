// Numbers as the tool accepts them from the command line and from CSV
// files: decimal notation only, as "12", "-0.5", ".25" or "1.5e-3". Hexadecimal
// ("0x10"), "inf", "nan" and numbers too large for a double are refused, so
// that a typing slip never becomes a different value.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

namespace talmeq::cli {

// The value of `text` when the whole of it is a finite decimal number.
std::optional<double> parseDecimal(const std::string& text);

// A CLI11 check that admits decimal numbers only.
CLI::Validator decimalNumber();

}  // namespace talmeq::cli
