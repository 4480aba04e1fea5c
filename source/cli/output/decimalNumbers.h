// Numbers as the tool accepts them from the command line and from CSV
// files: decimal notation only, as "12", "-0.5", ".25" or "1.5e-3". Hexadecimal
// ("0x10"), "inf", "nan" and numbers too large for a double are refused, so
// that a typing slip never becomes a different value.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <type_traits>

namespace talmeq::cli {

// The value of `text` when the whole of it is a finite decimal number.
std::optional<double> parseDecimal(const std::string& text);

// A CLI11 check that admits decimal numbers only: every real-valued option
// (settings, heights, thresholds) goes through it.
CLI::Validator decimalNumber();

// A CLI11 check that admits whole numbers from 0 in decimal digits only: every count.
CLI::Validator wholeCount();

// A number option (a threshold, a resolution) with its default shown, checked as a whole count when
// `value` is an integer and as a decimal number otherwise.
template <class T>
CLI::Option* addNumberOption(CLI::App* cmd, const std::string& name, T& value, const std::string& help) {
  return cmd->add_option(name, value, help)
      ->check(std::is_integral_v<T> ? wholeCount() : decimalNumber())
      ->capture_default_str();
}

// CLI::ValidationError (exit status 2) when the lower bound `least`, given
// as `leastName`, is above the upper bound `most`, given as `mostName`.
void requireOrdered(double least, double most, const std::string& leastName, const std::string& mostName);

}  // namespace talmeq::cli
