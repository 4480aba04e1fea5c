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

}  // namespace talmeq::cli
