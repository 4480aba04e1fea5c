// YAML as cv::FileStorage writes it: a "%YAML:1.x" directive line, an
// optional "---" line, then one "key: value" line per key, the key (which
// may hold spaces) in the first column. A value is a scalar, or a flow
// sequence or flow mapping of scalars closed on the key's line. Blank lines
// and comments (after a space or on lines of their own, but not after a
// plain text) may stand anywhere, and a closing "..." line after the "---"
// line or a key.
#include "calibrationFormats.h"

namespace talmeq::detail::calibration {
namespace {

// Plain words may also hold these (spaces inside a word, not at its end).
constexpr const char* kWordCharacters = "_-./()+ ";

// The end of a line: spaces, a comment that begins the line or follows a
// space, and the line break.
void finishLine(Cursor& cursor) {
  skipSpaces(cursor);
  if (cursor.peek() == '#' && (cursor.behind() == ' ' || cursor.behind() == '\n'))
    while (!cursor.atLineEnd()) cursor.advance();
  if (!cursor.atLineEnd()) cursor.fail("unexpected text; keys start in the first column, one per line");
  cursor.skipLineEnd();
}

Scalar readScalar(Cursor& cursor) {
  const char first = cursor.peek();
  if (first == '"' || first == '\'') return readQuoted(cursor, first, "");
  if (startsNumber(first)) return readNumber(cursor);
  if (!isLetter(first)) cursor.fail("expected a number or a text");
  readWord(cursor, kWordCharacters);
  return textScalar();
}

Value readValue(Cursor& cursor) {
  Value value;
  if (cursor.peek() == '[') {
    value.kind = Value::Kind::Sequence;
    readList(cursor, ']', skipSpaces, [&] { value.elements.push_back(readScalar(cursor)); });
  } else if (cursor.peek() == '{') {
    value.kind = Value::Kind::Mapping;
    readList(cursor, '}', skipSpaces, [&] {
      readKey(cursor, true);
      skipSpaces(cursor);
      cursor.expect(":");
      skipSpaces(cursor);
      readScalar(cursor);
    });
  } else {
    // OpenCV reads a plain text to the end of its line, a comment included.
    const bool plain = isLetter(cursor.peek());
    value = scalarValue(readScalar(cursor));
    if (plain && !cursor.atLineEnd()) cursor.fail("a comment after a plain text (quote the text)");
  }
  return value;
}

void readDirective(Cursor& cursor) {
  cursor.expect("%YAML");
  if (!cursor.skip(":1.") && !cursor.skip(" 1.")) cursor.fail("a YAML version other than 1.x");
  if (!isDigit(cursor.peek())) cursor.fail("a YAML version other than 1.x");
  while (isDigit(cursor.peek())) cursor.advance();
  finishLine(cursor);
}

}  // namespace

Mapping readYaml(const std::string& text) {
  Cursor cursor(text);
  readDirective(cursor);
  Mapping mapping;
  bool started = false, ended = false;
  while (!cursor.atEnd()) {
    const char first = cursor.peek();
    if (first == ' ' || first == '#' || cursor.atLineEnd()) {
      finishLine(cursor);
    } else if (cursor.skip("---")) {
      if (started || ended || !mapping.empty()) cursor.fail("a document start after the first key");
      started = true;
      finishLine(cursor);
    } else if (cursor.skip("...")) {
      if (ended || (!started && mapping.empty())) cursor.fail("a document end with no document before it");
      ended = true;
      finishLine(cursor);
    } else {
      if (ended) cursor.fail("a key after the document end");
      const std::string key = readKey(cursor, true);
      skipSpaces(cursor);
      cursor.expect(":");
      skipSpaces(cursor);
      addEntry(mapping, key, readValue(cursor), cursor);
      finishLine(cursor);
    }
  }
  return mapping;
}

}  // namespace talmeq::detail::calibration
