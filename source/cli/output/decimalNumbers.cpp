// Decimal number parsing (see decimalNumbers.h).
#include "decimalNumbers.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <regex>

namespace talmeq::cli {

std::optional<double> parseDecimal(const std::string& text) {
  static const std::regex decimal(R"([+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?)");
  if (!std::regex_match(text, decimal)) return std::nullopt;
  errno = 0;
  const double value = std::strtod(text.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

CLI::Validator decimalNumber() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return parseDecimal(text) ? std::string() : "not a finite decimal number: " + text;
      },
      "DECIMAL");
}

CLI::Validator wholeCount() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        static const std::regex digits("[0-9]{1,9}");
        return std::regex_match(text, digits) ? std::string() : "not a whole number from 0: " + text;
      },
      "COUNT");
}

void requireOrdered(double least, double most, const std::string& leastName, const std::string& mostName) {
  if (least > most)
    throw CLI::ValidationError(leastName + " (" + CLI::detail::to_string(least) + ") is above " + mostName + " (" +
                               CLI::detail::to_string(most) + "): no result could pass both");
}

}  // namespace talmeq::cli
