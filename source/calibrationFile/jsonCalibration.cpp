// JSON as cv::FileStorage writes it: one object of "key": value members. A
// value is a scalar (a number, a quoted text, or true or false, which it
// reads as 1 and 0), or an array or object of scalars. White space, line
// breaks included, is free between the parts; nothing may follow the object.
#include "calibrationFormats.h"

namespace talmeq::detail::calibration {
namespace {

std::string readQuotedKey(Cursor& cursor) {
  cursor.expect("\"");
  std::string key = readKey(cursor);
  cursor.expect("\"");
  return key;
}

Scalar readScalar(Cursor& cursor) {
  const char first = cursor.peek();
  if (first == '"') return readQuoted(cursor, '"', "");
  if (startsNumber(first)) return readNumber(cursor);
  const std::string word = isLetter(first) ? readWord(cursor, "") : std::string();
  if (word != "true" && word != "false") cursor.fail("expected a number, a quoted text, true or false");
  Scalar truth;
  truth.kind = Scalar::Kind::Integer;
  truth.integer = word == "true" ? 1 : 0;
  return truth;
}

// The ':' after a key and the scalar that follows it.
Scalar readMemberScalar(Cursor& cursor) {
  skipWhiteSpace(cursor);
  cursor.expect(":");
  skipWhiteSpace(cursor);
  return readScalar(cursor);
}

Value readValue(Cursor& cursor) {
  Value value;
  if (cursor.peek() == '[') {
    value.kind = Value::Kind::Sequence;
    readList(cursor, ']', skipWhiteSpace, [&] { value.elements.push_back(readScalar(cursor)); });
  } else if (cursor.peek() == '{') {
    value.kind = Value::Kind::Mapping;
    readList(cursor, '}', skipWhiteSpace, [&] {
      readQuotedKey(cursor);
      readMemberScalar(cursor);
    });
  } else {
    value = scalarValue(readScalar(cursor));
  }
  return value;
}

}  // namespace

Mapping readJson(const std::string& text) {
  Cursor cursor(text);
  Mapping mapping;
  readList(cursor, '}', skipWhiteSpace, [&] {
    const std::string key = readQuotedKey(cursor);
    skipWhiteSpace(cursor);
    cursor.expect(":");
    skipWhiteSpace(cursor);
    addEntry(mapping, key, readValue(cursor), cursor);
  });
  skipWhiteSpace(cursor);
  if (!cursor.atEnd()) cursor.fail("text after the closing brace");
  return mapping;
}

}  // namespace talmeq::detail::calibration
