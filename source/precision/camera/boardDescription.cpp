// Board descriptions: the station's two targets, the checks that make a
// description a board, and the strict reader of description files (see
// boardDescription.h).
#include <talmeq/boardDescription.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace talmeq::detail {
namespace {

struct Dictionary {
  const char* name;
  int markers;
};

// OpenCV's predefined dictionaries in the order of their enumeration.
const Dictionary kDictionaries[] = {
    {"DICT_4X4_50", 50},        {"DICT_4X4_100", 100},         {"DICT_4X4_250", 250},
    {"DICT_4X4_1000", 1000},    {"DICT_5X5_50", 50},           {"DICT_5X5_100", 100},
    {"DICT_5X5_250", 250},      {"DICT_5X5_1000", 1000},       {"DICT_6X6_50", 50},
    {"DICT_6X6_100", 100},      {"DICT_6X6_250", 250},         {"DICT_6X6_1000", 1000},
    {"DICT_7X7_50", 50},        {"DICT_7X7_100", 100},         {"DICT_7X7_250", 250},
    {"DICT_7X7_1000", 1000},    {"DICT_ARUCO_ORIGINAL", 1024}, {"DICT_APRILTAG_16h5", 30},
    {"DICT_APRILTAG_25h9", 35}, {"DICT_APRILTAG_36h10", 2320}, {"DICT_APRILTAG_36h11", 587}};

const std::map<std::string, BoardType> kTypes{
    {"chessboard", BoardType::kChessboard}, {"aruco-grid", BoardType::kArucoGrid}, {"charuco", BoardType::kCharuco}};

[[noreturn]] void refuse(const std::string& sentence) { throw std::invalid_argument(sentence); }

std::string typeName(BoardType type) {
  for (const auto& [name, value] : kTypes)
    if (value == type) return name;
  return "?";
}

// The keys a board of each type needs; first_id may be left out.
std::vector<std::string> keysOf(BoardType type) {
  switch (type) {
    case BoardType::kChessboard:
      return {"columns", "rows", "square"};
    case BoardType::kArucoGrid:
      return {"columns", "rows", "marker", "separation", "dictionary", "first_id"};
    case BoardType::kCharuco:
      return {"columns", "rows", "square", "marker", "dictionary", "first_id"};
  }
  return {};
}

void requirePositive(double value, const char* key) {
  if (!(value > 0.0) || !std::isfinite(value)) refuse(std::string("the board's ") + key + " must be positive");
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

double numberOf(const std::string& key, const std::string& value) {
  std::size_t used = 0;
  double number = 0.0;
  try {
    number = std::stod(value, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != value.size()) refuse("the board's " + key + " is not a number: \"" + value + "\"");
  return number;
}

int wholeNumberOf(const std::string& key, const std::string& value) {
  const double number = numberOf(key, value);
  if (number != std::floor(number) || std::fabs(number) > 1e6)
    refuse("the board's " + key + " must be a whole number: \"" + value + "\"");
  return static_cast<int>(number);
}

}  // namespace
}  // namespace talmeq::detail

namespace talmeq {

BoardDescription stationChessboard() { return {BoardType::kChessboard, 17, 12, 15.0, 0.0, 0.0, "", 0}; }

BoardDescription stationArucoGrid() { return {BoardType::kArucoGrid, 9, 6, 0.0, 200.0, 100.0, "DICT_6X6_250", 0}; }

int dictionaryByName(const std::string& name) {
  for (std::size_t i = 0; i < std::size(detail::kDictionaries); ++i)
    if (name == detail::kDictionaries[i].name) return static_cast<int>(i);
  return -1;
}

int boardMarkerCount(const BoardDescription& b) {
  if (b.type == BoardType::kArucoGrid) return b.columns * b.rows;
  if (b.type == BoardType::kCharuco) return b.columns * b.rows / 2;
  return 0;
}

void checkBoardDescription(const BoardDescription& b) {
  if (b.columns < 1 || b.rows < 1) detail::refuse("the board's columns and rows must be positive");
  if (b.type == BoardType::kChessboard) {
    if (b.columns < 2 || b.rows < 2) detail::refuse("the board's columns and rows must be at least 2 inner corners");
    detail::requirePositive(b.square, "square");
    return;
  }
  if (b.type == BoardType::kCharuco && (b.columns < 2 || b.rows < 2))
    detail::refuse("the board's columns and rows must be at least 2 squares");
  detail::requirePositive(b.marker, "marker");
  if (b.type == BoardType::kArucoGrid) detail::requirePositive(b.separation, "separation");
  if (b.type == BoardType::kCharuco) {
    detail::requirePositive(b.square, "square");
    if (b.marker >= b.square) detail::refuse("the board's marker must be smaller than its square");
  }
  const int dictionary = dictionaryByName(b.dictionary);
  if (dictionary < 0)
    detail::refuse("the board's dictionary \"" + b.dictionary + "\" is not one of OpenCV's predefined dictionaries");
  if (b.firstId < 0) detail::refuse("the board's first_id must not be negative");
  const int available = detail::kDictionaries[dictionary].markers;
  if (b.firstId + boardMarkerCount(b) > available)
    detail::refuse("the board's first_id " + std::to_string(b.firstId) + " and its " +
                   std::to_string(boardMarkerCount(b)) + " markers go beyond the " + std::to_string(available) +
                   " ids of " + b.dictionary);
}

BoardDescription parseBoardDescription(const std::string& text) {
  std::map<std::string, std::string> values;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const std::string content = detail::trimmed(line.substr(0, line.find('#')));
    if (content.empty() || content == "---" || content.rfind("%YAML", 0) == 0) continue;
    const auto colon = content.find(':');
    if (colon == std::string::npos)
      detail::refuse("line " + std::to_string(number) + " of the board is not \"key: value\"");
    const std::string key = detail::trimmed(content.substr(0, colon));
    std::string value = detail::trimmed(content.substr(colon + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    if (!values.emplace(key, value).second) detail::refuse("the board's key " + key + " is given twice");
  }
  if (!values.count("type")) detail::refuse("the board's key type is missing");
  const auto type = detail::kTypes.find(values["type"]);
  if (type == detail::kTypes.end())
    detail::refuse("the board's type \"" + values["type"] + "\" is none of chessboard, aruco-grid, charuco");
  BoardDescription b;
  b.type = type->second;
  std::set<std::string> known{"type"};
  for (const std::string& key : detail::keysOf(b.type)) {
    known.insert(key);
    if (!values.count(key)) {
      if (key == "first_id") continue;
      detail::refuse("the board's key " + key + " is missing (a " + detail::typeName(b.type) + " needs it)");
    }
    const std::string& value = values[key];
    if (key == "columns") b.columns = detail::wholeNumberOf(key, value);
    if (key == "rows") b.rows = detail::wholeNumberOf(key, value);
    if (key == "square") b.square = detail::numberOf(key, value);
    if (key == "marker") b.marker = detail::numberOf(key, value);
    if (key == "separation") b.separation = detail::numberOf(key, value);
    if (key == "dictionary") b.dictionary = value;
    if (key == "first_id") b.firstId = detail::wholeNumberOf(key, value);
  }
  for (const auto& [key, value] : values)
    if (!known.count(key))
      detail::refuse("the board's key " + key + " does not belong to a " + detail::typeName(b.type));
  checkBoardDescription(b);
  return b;
}

BoardDescription readBoardDescription(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) detail::refuse("the board file " + path + " cannot be read");
  std::ostringstream text;
  text << file.rdbuf();
  return parseBoardDescription(text.str());
}

std::string describeBoard(const BoardDescription& b) {
  const std::string size = std::to_string(b.columns) + " x " + std::to_string(b.rows);
  switch (b.type) {
    case BoardType::kChessboard:
      return "chessboard of " + size + " inner corners";
    case BoardType::kArucoGrid:
      return "ArUco grid of " + size + " " + b.dictionary + " markers";
    case BoardType::kCharuco:
      return "ChArUco board of " + size + " squares with " + b.dictionary + " markers";
  }
  return size;
}

std::string boardDescriptionText(const BoardDescription& b) {
  std::ostringstream text;
  text.precision(17);
  text << "type: " << detail::typeName(b.type) << "\ncolumns: " << b.columns << "\nrows: " << b.rows << '\n';
  for (const std::string& key : detail::keysOf(b.type)) {
    if (key == "square") text << "square: " << b.square << '\n';
    if (key == "marker") text << "marker: " << b.marker << '\n';
    if (key == "separation") text << "separation: " << b.separation << '\n';
    if (key == "dictionary") text << "dictionary: " << b.dictionary << '\n';
    if (key == "first_id") text << "first_id: " << b.firstId << '\n';
  }
  return text.str();
}

}  // namespace talmeq
