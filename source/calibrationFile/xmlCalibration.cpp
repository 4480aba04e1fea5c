// XML as cv::FileStorage writes it: the declaration, then <opencv_storage>
// holding one <key>content</key> element per key, with comments between the
// elements. The content is white-space separated scalars (numbers, quoted
// texts without the characters OpenCV wants as entities, plain words): none,
// one, or a sequence of several. Tabs stand only in the content.
#include <set>

#include "calibrationFormats.h"

namespace talmeq::detail::calibration {
namespace {

// Spaces and line breaks: OpenCV refuses a tab after a comment, so the
// reader takes tabs only between values.
void skipBlanks(Cursor& cursor) {
  for (char c = cursor.peek(); c == ' ' || c == '\n' || c == '\r'; c = cursor.peek()) cursor.advance();
}

// Blanks and comments; a comment may span lines but not hold "--".
void skipMisc(Cursor& cursor) {
  for (skipBlanks(cursor); cursor.skip("<!--"); skipBlanks(cursor)) {
    while (!cursor.skip("-->")) {
      if (cursor.atEnd() || (cursor.peek() == '-' && cursor.peek(1) == '-'))
        cursor.fail("a comment that does not close or holds \"--\"");
      cursor.advance();
    }
  }
}

// <?xml version="1.0"?>, with "encoding" and "standalone" allowed besides.
void readDeclaration(Cursor& cursor) {
  static const std::set<std::string> kAttributes = {"version", "encoding", "standalone"};
  cursor.expect("<?xml");
  while (cursor.peek() == ' ') {
    skipSpaces(cursor);
    if (cursor.peek() == '?') break;
    if (kAttributes.count(readWord(cursor, "")) == 0) cursor.fail("an unknown attribute of the XML declaration");
    cursor.expect("=\"");
    if (readWord(cursor, "._-").empty()) cursor.fail("an empty attribute of the XML declaration");
    cursor.expect("\"");
  }
  cursor.expect("?>");
}

Scalar readScalar(Cursor& cursor) {
  const char first = cursor.peek();
  if (first == '"') return readQuoted(cursor, '"', "&<>'");
  if (startsNumber(first)) return readNumber(cursor);
  if (!isLetter(first)) cursor.fail("expected a number or a text");
  readWord(cursor, "_-.");
  return textScalar();
}

Value readContent(Cursor& cursor) {
  std::vector<Scalar> scalars;
  for (skipWhiteSpace(cursor); cursor.peek() != '<'; skipWhiteSpace(cursor)) {
    scalars.push_back(readScalar(cursor));
    const char next = cursor.peek();
    if (next != '<' && next != ' ' && next != '\t' && next != '\n' && next != '\r')
      cursor.fail("text glued to a value");
  }
  Value value;
  if (scalars.size() == 1) return scalarValue(scalars.front());
  if (scalars.size() > 1) value.kind = Value::Kind::Sequence;
  value.elements = scalars;
  return value;
}

}  // namespace

Mapping readXml(const std::string& text) {
  Cursor cursor(text);
  readDeclaration(cursor);
  skipMisc(cursor);
  cursor.expect("<opencv_storage>");
  Mapping mapping;
  for (skipMisc(cursor); !cursor.skip("</opencv_storage>"); skipMisc(cursor)) {
    cursor.expect("<");
    const std::string key = readKey(cursor);
    cursor.expect(">");
    const Value value = readContent(cursor);
    cursor.expect("</");
    if (readKey(cursor) != key) cursor.fail("the element <" + key + "> closes under another name");
    cursor.expect(">");
    addEntry(mapping, key, value, cursor);
  }
  skipMisc(cursor);
  if (!cursor.atEnd()) cursor.fail("text after </opencv_storage>");
  return mapping;
}

}  // namespace talmeq::detail::calibration
