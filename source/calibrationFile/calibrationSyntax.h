// What the three readers of the calibration file (YAML, JSON, XML) share:
// the values a file may hold, a cursor over the text that counts lines and
// raises OpenCV's parse error, and the scalars read the way cv::FileStorage
// types them (integers, reals, texts).
//
// The readers accept exactly the shape of a calibration file: one flat
// mapping whose values are scalars, sequences of scalars or mappings of
// scalars, laid out as cv::FileStorage writes it or as a hand edit that
// keeps that shape leaves it. Everything else is a parse error, so no text
// ever reaches a parser that could loop or crash on it.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace talmeq::detail::calibration {

// A scalar as cv::FileStorage types it.
struct Scalar {
  enum class Kind { Integer, Real, Text };
  Kind kind = Kind::Text;
  int integer = 0;
  double real = 0.0;
};

// A value of the top-level mapping. The elements of a nested mapping are
// not kept: no calibration key reads them.
struct Value {
  enum class Kind { Scalar, Sequence, Mapping, Empty };
  Kind kind = Kind::Empty;
  Scalar scalar;                 // kind Scalar
  std::vector<Scalar> elements;  // kind Sequence
};

// The top-level mapping of a file, by key.
using Mapping = std::map<std::string, Value>;

// Raises OpenCV's parse error (cv::Error::StsParseError) for `line`.
[[noreturn]] void raiseParseError(std::size_t line, const std::string& what);

// Reads through a text, counting lines from 1. Past the end it sees '\0',
// which no accepted text holds.
class Cursor {
 public:
  explicit Cursor(const std::string& text) : text_(text) {}
  bool atEnd() const { return position_ >= text_.size(); }
  char peek(std::size_t ahead = 0) const;
  void advance(std::size_t count = 1);
  // Advances past `literal` when the text continues with it.
  bool skip(const char* literal);
  // Advances past `literal` or raises the parse error.
  void expect(const char* literal);
  // True at a line break ("\n" or "\r\n") or at the end of the text.
  bool atLineEnd() const;
  // The character before the cursor; a line break at the start.
  char behind() const { return position_ > 0 ? text_[position_ - 1] : '\n'; }
  // Advances past the line break, if any.
  void skipLineEnd();
  std::size_t line() const { return line_; }
  [[noreturn]] void fail(const std::string& what) const { raiseParseError(line_, what); }

 private:
  const std::string& text_;
  std::size_t position_ = 0;
  std::size_t line_ = 1;
};

bool isLetter(char c);
bool isDigit(char c);

// Skips spaces, tabs and line breaks.
void skipWhiteSpace(Cursor& cursor);

// Skips spaces only.
void skipSpaces(Cursor& cursor);

// Reads "<open> <element> , <element> ... <close>", or "<open> <close>",
// from the opening character on; `blank` skips what may stand around the
// parts and `element` reads one element.
template <class Blank, class Element>
void readList(Cursor& cursor, char close, Blank blank, Element element) {
  cursor.advance();
  blank(cursor);
  if (cursor.peek() == close) return cursor.advance();
  for (;;) {
    element();
    blank(cursor);
    if (cursor.peek() == close) return cursor.advance();
    cursor.expect(",");
    blank(cursor);
  }
}

// A key: a letter or '_', then letters, digits, '_', '-' and, when
// `spacesInside`, spaces (those at its end are not part of it); "_" alone,
// which names sequence elements in XML, is refused.
std::string readKey(Cursor& cursor, bool spacesInside = false);

// Adds `value` under `key`; a key that is already there is a parse error.
void addEntry(Mapping& mapping, const std::string& key, const Value& value, const Cursor& cursor);

// A value that is one scalar.
Value scalarValue(const Scalar& scalar);

// True when cv::FileStorage reads what starts with `c` as a number; the
// readers then require one of the number forms below.
bool startsNumber(char c);

// The number a whole token spells, as cv::FileStorage reads it, or nothing
// when it is none of the accepted forms: integers in decimal, octal (leading
// 0) or hexadecimal (0x), converted as strtol does and cut to int; reals
// with a decimal point, an exponent or both ("E" only after a point); ".inf"
// and ".nan" in any case; each with an optional sign.
std::optional<Scalar> parseNumber(const std::string& token);

// Reads a number token: letters, digits, '+', '-' and '.'.
Scalar readNumber(Cursor& cursor);

// Reads a text between `quote` characters on one line: printable characters
// other than the quote, '\' and those in `forbidden`; bytes above 127 pass.
Scalar readQuoted(Cursor& cursor, char quote, const char* forbidden);

// Reads a plain word (the caller has seen its first letter): letters,
// digits and the characters of `others`; trailing spaces are not part of it.
std::string readWord(Cursor& cursor, const char* others);

// A text scalar.
Scalar textScalar();

}  // namespace talmeq::detail::calibration
