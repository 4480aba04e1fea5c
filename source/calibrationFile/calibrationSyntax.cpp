#include "calibrationSyntax.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <opencv2/core.hpp>
#if defined(_GLIBCXX_RELEASE) && _GLIBCXX_RELEASE < 11
#include <locale.h>

#include <cerrno>
#include <clocale>
#endif

namespace talmeq::detail::calibration {
namespace {

bool isOctalDigit(char c) { return c >= '0' && c <= '7'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isSign(char c) { return c == '+' || c == '-'; }

std::size_t countWhile(const std::string& text, std::size_t from, bool (*accepted)(char)) {
  std::size_t end = from;
  while (end < text.size() && accepted(text[end])) ++end;
  return end - from;
}

bool equalsIgnoringCase(const std::string& text, std::size_t from, const char* lower) {
  if (text.size() - from != std::strlen(lower)) return false;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lower[i - from]) return false;
  }
  return true;
}

// cv::FileStorage reads ".nan" as the NaN with every bit set, whatever sign
// stands before it.
double storedNaN() {
  const std::uint64_t bits = ~std::uint64_t{0};
  double value = 0.0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Decimal, octal or hexadecimal digits, as strtol reads them with base 0.
bool isIntegerForm(const std::string& token, std::size_t from) {
  const std::size_t length = token.size() - from;
  if (length == 0) return false;
  if (token[from] != '0') return countWhile(token, from, isDigit) == length;
  if (length >= 3 && (token[from + 1] == 'x' || token[from + 1] == 'X'))
    return countWhile(token, from + 2, isHexDigit) == length - 2;
  return countWhile(token, from, isOctalDigit) == length;
}

// Digits with a decimal point, an exponent or both. An exponent without a
// point must be written "e": cv::FileStorage reads "1E5" as the integer 1
// followed by stray text.
bool isRealForm(const std::string& token, std::size_t from) {
  std::size_t i = from;
  const std::size_t whole = countWhile(token, i, isDigit);
  i += whole;
  const bool point = i < token.size() && token[i] == '.';
  const std::size_t fraction = point ? countWhile(token, i + 1, isDigit) : 0;
  i += point ? 1 + fraction : 0;
  if (whole + fraction == 0) return false;
  if (i == token.size()) return point;
  if (token[i] != 'e' && !(point && token[i] == 'E')) return false;
  if (++i < token.size() && isSign(token[i])) ++i;
  const std::size_t exponent = countWhile(token, i, isDigit);
  return exponent > 0 && i + exponent == token.size();
}

// The power of ten of the leading digit of a real form: positive when an
// out-of-range value overflowed, negative when it underflowed.
long decimalMagnitude(const std::string& token, std::size_t from) {
  const std::size_t point = token.find('.', from);
  const std::size_t marker = token.find_first_of("eE", from);
  const std::size_t digitsEnd = std::min(marker, token.size());
  const std::size_t wholeEnd = std::min(point, digitsEnd);
  long magnitude = 0;
  const std::size_t firstWhole = token.find_first_not_of('0', from);
  if (firstWhole < wholeEnd) {
    magnitude = static_cast<long>(wholeEnd - firstWhole) - 1;
  } else if (point < digitsEnd) {
    const std::size_t firstFraction = token.find_first_not_of('0', point + 1);
    magnitude = -static_cast<long>(std::min(firstFraction, digitsEnd) - point);
  }
  if (marker == std::string::npos) return magnitude;
  const long exponent = std::strtol(token.c_str() + marker + 1, nullptr, 10);  // saturates, as intended
  return exponent > 0 ? std::max(magnitude, exponent) : std::min(magnitude, exponent);
}

// The real of a real form, rounded correctly and independently of the
// locale; out of range it is infinite or zero, as strtod gives it.
double realOf(const std::string& token, std::size_t from) {
  double magnitude = 0.0;
#if defined(_GLIBCXX_RELEASE) && _GLIBCXX_RELEASE < 11
  // libstdc++ before 11 (Debian 11) has no from_chars for reals: strtod in
  // the "C" locale rounds alike. It also flags a subnormal result, which
  // from_chars returns as it is; only infinity and zero are out of range.
  static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  errno = 0;
  magnitude = strtod_l(token.c_str() + from, nullptr, cLocale);
  const bool outOfRange = errno == ERANGE && (std::isinf(magnitude) || magnitude == 0.0);
#else
  const auto result =
      std::from_chars(token.data() + from, token.data() + token.size(), magnitude, std::chars_format::general);
  const bool outOfRange = result.ec == std::errc::result_out_of_range;
#endif
  if (outOfRange) magnitude = decimalMagnitude(token, from) > 0 ? HUGE_VAL : 0.0;
  return magnitude;
}

}  // namespace

void raiseParseError(std::size_t line, const std::string& what) {
  CV_Error(cv::Error::StsParseError, "calibration file, line " + std::to_string(line) + ": " + what);
}

char Cursor::peek(std::size_t ahead) const {
  return position_ + ahead < text_.size() ? text_[position_ + ahead] : '\0';
}

void Cursor::advance(std::size_t count) {
  for (; count > 0 && position_ < text_.size(); --count)
    if (text_[position_++] == '\n') ++line_;
}

bool Cursor::skip(const char* literal) {
  const std::size_t length = std::strlen(literal);
  if (text_.compare(position_, length, literal) != 0) return false;
  advance(length);
  return true;
}

void Cursor::expect(const char* literal) {
  if (!skip(literal)) fail(std::string("expected \"") + literal + "\"");
}

bool Cursor::atLineEnd() const { return atEnd() || peek() == '\n' || (peek() == '\r' && peek(1) == '\n'); }

void Cursor::skipLineEnd() {
  skip("\r");
  skip("\n");
}

void skipWhiteSpace(Cursor& cursor) {
  for (char c = cursor.peek(); c == ' ' || c == '\t' || c == '\n' || c == '\r'; c = cursor.peek()) cursor.advance();
}

void skipSpaces(Cursor& cursor) {
  while (cursor.peek() == ' ') cursor.advance();
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string readKey(Cursor& cursor, bool spacesInside) {
  if (!isLetter(cursor.peek()) && cursor.peek() != '_') cursor.fail("expected a key");
  std::string key;
  for (char c = cursor.peek(); isLetter(c) || isDigit(c) || c == '_' || c == '-' || (spacesInside && c == ' ');
       c = cursor.peek()) {
    key += c;
    cursor.advance();
  }
  key.erase(key.find_last_not_of(' ') + 1);
  if (key == "_") cursor.fail("the key \"_\"");
  return key;
}

void addEntry(Mapping& mapping, const std::string& key, const Value& value, const Cursor& cursor) {
  if (!mapping.emplace(key, value).second) cursor.fail("the key \"" + key + "\" appears twice");
}

Value scalarValue(const Scalar& scalar) {
  Value value;
  value.kind = Value::Kind::Scalar;
  value.scalar = scalar;
  return value;
}

Scalar textScalar() { return Scalar{}; }

bool startsNumber(char c) { return isDigit(c) || isSign(c) || c == '.'; }

std::optional<Scalar> parseNumber(const std::string& token) {
  const std::size_t digits = !token.empty() && isSign(token[0]) ? 1 : 0;
  const bool negative = digits == 1 && token[0] == '-';
  Scalar number;
  number.kind = Scalar::Kind::Real;
  if (equalsIgnoringCase(token, digits, ".inf")) {
    number.real = negative ? -HUGE_VAL : HUGE_VAL;
  } else if (equalsIgnoringCase(token, digits, ".nan")) {
    number.real = storedNaN();
  } else if (isIntegerForm(token, digits)) {
    number.kind = Scalar::Kind::Integer;
    number.integer = static_cast<int>(std::strtol(token.c_str(), nullptr, 0));
  } else if (isRealForm(token, digits)) {
    number.real = negative ? -realOf(token, digits) : realOf(token, digits);
  } else {
    return std::nullopt;
  }
  return number;
}

Scalar readNumber(Cursor& cursor) {
  std::string token;
  for (char c = cursor.peek(); isLetter(c) || isDigit(c) || isSign(c) || c == '.'; c = cursor.peek()) {
    token += c;
    cursor.advance();
  }
  const std::optional<Scalar> number = parseNumber(token);
  if (!number) cursor.fail("\"" + token + "\" is not a number");
  return *number;
}

Scalar readQuoted(Cursor& cursor, char quote, const char* forbidden) {
  cursor.advance();
  for (char c = cursor.peek(); c != quote; c = cursor.peek()) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f || c == '\\' || std::strchr(forbidden, c) != nullptr)
      cursor.fail("a quoted text holds a character it may not hold, or does not close on its line");
    cursor.advance();
  }
  cursor.advance();
  return textScalar();
}

std::string readWord(Cursor& cursor, const char* others) {
  std::string word;
  for (char c = cursor.peek(); isLetter(c) || isDigit(c) || (c != '\0' && std::strchr(others, c)); c = cursor.peek()) {
    word += c;
    cursor.advance();
  }
  return word.substr(0, word.find_last_not_of(' ') + 1);
}

}  // namespace talmeq::detail::calibration
