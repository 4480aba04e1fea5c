// The strict reader of the calibration file: a table of texts with the
// values they read as, or OpenCV's parse error; files that cv::FileStorage
// writes in every format, compressed or not, read back as written; damaged
// and oversized compressed files are parse errors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "calibrationFiles.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::readCalibration;
using talmeq::test::ScratchFolder;

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The values with the named reals set and the others 0.
CalibrationValues valuesWith(std::initializer_list<std::pair<const char*, double>> reals, cv::Rect roi = {}) {
  static const std::map<std::string, double CalibrationValues::*> members = {
      {"k", &CalibrationValues::k},         {"b", &CalibrationValues::b},         {"initialX", &CalibrationValues::initialX},
      {"initialY", &CalibrationValues::initialY}, {"scale", &CalibrationValues::scale}, {"dist", &CalibrationValues::dist},
      {"initZ", &CalibrationValues::initZ}, {"focusD", &CalibrationValues::focusD}, {"offsetX", &CalibrationValues::offsetX},
      {"offsetY", &CalibrationValues::offsetY}};
  CalibrationValues v;
  for (const auto& [name, value] : reals) v.*members.at(name) = value;
  v.roi = roi;
  return v;
}

// Exact text of the values (hexadecimal reals, every NaN alike), or the
// parse error.
std::string describe(const std::optional<CalibrationValues>& values) {
  if (!values) return "parse error";
  const CalibrationValues& v = *values;
  std::ostringstream out;
  out << std::hexfloat;
  for (double real : {v.k, v.b, v.initialX, v.initialY, v.scale, v.dist, v.initZ, v.focusD, v.offsetX, v.offsetY})
    std::isnan(real) ? out << "nan " : out << real << ' ';
  out << v.roi;
  return out.str();
}

std::optional<CalibrationValues> readOrError(const std::string& path) {
  try {
    CalibrationValues v;
    EXPECT_TRUE(readCalibration(path, v)) << path;
    return v;
  } catch (const cv::Exception& error) {
    EXPECT_EQ(error.code, cv::Error::StsParseError) << error.what();
    return std::nullopt;
  }
}

struct ReadCase {
  const char* what;
  std::string text;
  std::optional<CalibrationValues> values;  // nothing: OpenCV's parse error
};

TEST(CalibrationReader, TextsReadAsOpenCvReadsThemOrRaiseItsParseError) {
  const std::string yaml = "%YAML:1.0\n---\n", xml = "<?xml version=\"1.0\"?>\n<opencv_storage>\n";
  const std::vector<ReadCase> cases = {
      {"as written", yaml + "k: 1.0000000000000001e-01\ninitialX: 512.\nscale: .Nan\ndist: .Inf\ninitZ: -.Inf\n"
                            "RoI: [ 459, 463, 338, -202 ]\n",
       valuesWith({{"k", 0.1}, {"initialX", 512.0}, {"scale", kNaN}, {"dist", kInf}, {"initZ", -kInf}},
                  {459, 463, 338, -202})},
      {"hand edited", "%YAML 1.0\r\n# station 7\r\n\r\nRoI : [1,2,3,4]   # window\r\nk:2\r\nnote: hand edited\r\n"
                      "extra: [ 1, \"a\" ]\r\nmore: { a: 1 }\r\n...\r\n",
       valuesWith({{"k", 2.0}}, {1, 2, 3, 4})},
      {"number forms", yaml + "k: 010\nb: 0x1F\nscale: -0x10\ndist: 5.\ninitZ: -.5e1\nfocusD: 1.5E3\noffsetY: 1e400\n",
       valuesWith({{"k", 8.0}, {"b", 31.0}, {"scale", -16.0}, {"dist", 5.0}, {"initZ", -5.0}, {"focusD", 1500.0},
                   {"offsetY", kInf}})},
      {"texts and collections", yaml + "k: \"1.5\"\nb: '2'\nscale: [1, 2]\ndist: {a: 1}\ninitZ: abc\n"
                                       "RoI: [1, 2, \"3\", 4]\n",
       valuesWith({{"k", kMax}, {"b", kMax}, {"scale", kMax}, {"dist", kMax}, {"initZ", kMax}})},
      {"rounded region", yaml + "RoI: [ 1.5, 2.5, -1.5, 0.49 ]\n", valuesWith({}, {2, 2, -2, 0})},
      {"three numbers", yaml + "RoI: [ 1, 2, 3 ]\n", valuesWith({})},
      {"five numbers", yaml + "RoI: [ 1, 2, 3, 4, 5 ]\n", valuesWith({})},
      {"empty region", yaml + "RoI: [ ]\n", valuesWith({})},
      {"no keys", yaml, valuesWith({})},
      {"JSON", "{\n  \"k\": 1.5, \"b\": true, \"dist\": false,\n  \"scale\": \"x\", \"RoI\": [ 1, 2, 3, 4 ]\n}\n",
       valuesWith({{"k", 1.5}, {"b", 1.0}, {"scale", kMax}}, {1, 2, 3, 4})},
      {"XML", xml + "<!-- c -->\n<k>1.5</k>\n<RoI>\n  1 2 3 4</RoI><b>a b</b><scale></scale><dist>1 2</dist>\n"
                    "</opencv_storage>\n",
       valuesWith({{"k", 1.5}, {"b", kMax}, {"scale", kMax}, {"dist", kMax}}, {1, 2, 3, 4})},
      {"no format signature", "k: 1\n", std::nullopt},
      {"blank line before the signature", "\n" + yaml + "k: 1\n", std::nullopt},
      {"YAML 2", "%YAML:2.0\nk: 1\n", std::nullopt},
      {"indented key", yaml + "  k: 1\n", std::nullopt},
      {"key twice", yaml + "k: 1\nk: 2\n", std::nullopt},
      {"comment after a plain text", yaml + "k: abc # note: x\n", std::nullopt},
      {"tab", yaml + "k:\t1\n", std::nullopt},
      {"upper-case exponent without a point", yaml + "k: 1E5\n", std::nullopt},
      {"octal digit 9", yaml + "k: 09\n", std::nullopt},
      {"sequence across lines", yaml + "RoI: [ 1,\n  2, 3, 4 ]\n", std::nullopt},
      {"nested sequence", yaml + "k: [ [ 1 ] ]\n", std::nullopt},
      {"second document", yaml + "k: 1\n---\nb: 2\n", std::nullopt},
      {"document end alone", "%YAML:1.0\n...\n", std::nullopt},
      {"lone carriage return", yaml + "k: 1\rb: 2\n", std::nullopt},
      {"overlong line", yaml + "# " + std::string(4000, 'c') + "\n", std::nullopt},
      {"JSON trailing comma", "{\"k\": 1,}", std::nullopt},
      {"JSON text after the object", "{\"k\": 1} x", std::nullopt},
      {"JSON key without quotes", "{k: 1}", std::nullopt},
      {"XML text after the root", xml + "<k>1</k></opencv_storage>\nx\n", std::nullopt},
      {"XML element closed by another name", xml + "<k>1</b></opencv_storage>\n", std::nullopt},
      {"XML empty element tag", xml + "<k/></opencv_storage>\n", std::nullopt},
      {"XML quote inside a text", xml + "<k>\"a'b\"</k></opencv_storage>\n", std::nullopt},
  };
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  for (const ReadCase& c : cases) {
    talmeq::test::writeText(path, c.text);
    EXPECT_EQ(describe(readOrError(path)), describe(c.values)) << c.what;
  }
}

// Any double, NaN, infinities and subnormals included, from random bits.
double randomReal(std::mt19937_64& random) {
  const std::uint64_t bits = random();
  double real = 0.0;
  std::memcpy(&real, &bits, sizeof real);
  return real;
}

// The property behind the table: whatever cv::FileStorage writes, in any of
// its formats and compressed or not, reads back as written (NaN as NaN, a
// zero with either sign as zero).
TEST(CalibrationReader, ReadsBackWhatOpenCvWritesInEveryFormat) {
  ScratchFolder folder;
  std::mt19937_64 random(20260117);
  std::uniform_int_distribution<int> coordinate(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  std::uniform_real_distribution<double> plain(-1000.0, 1000.0);
  for (const std::string name : {"cal.yml", "cal.json", "cal.xml", "cal.yml.gz", "cal.json.gz", "cal.xml.gz"}) {
    for (int round = 0; round < 40; ++round) {
      CalibrationValues written;
      for (double* real : {&written.k, &written.b, &written.initialX, &written.initialY, &written.scale, &written.dist,
                           &written.initZ, &written.focusD, &written.offsetX, &written.offsetY})
        *real = round % 2 == 0 ? randomReal(random) : plain(random);
      written.roi = {coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
      const std::string path = folder.file(name);
      ASSERT_TRUE(talmeq::writeCalibration(path, written)) << name << ", round " << round;
      const std::optional<CalibrationValues> read = readOrError(path);
      for (double* real : {&written.k, &written.b, &written.initialX, &written.initialY, &written.scale,
                           &written.dist, &written.initZ, &written.focusD, &written.offsetX, &written.offsetY})
        *real = *real == 0.0 ? 0.0 : *real;
      EXPECT_EQ(describe(read), describe(written)) << name << ", round " << round;
    }
  }
}

// Compressed files read only whole: a stream cut short or followed by more
// data, and a text that inflates past the size bound, are parse errors; a
// ".gz" name on plain text reads the text.
TEST(CalibrationReader, CompressedFilesReadOnlyWhole) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml.gz");
  ASSERT_TRUE(talmeq::writeCalibration(path, valuesWith({{"k", 2.0}}, {1, 2, 3, 4})));
  const std::string whole = talmeq::test::readText(path);
  const auto readsAs = [&](const std::string& bytes) {
    talmeq::test::writeText(path, bytes);
    return describe(readOrError(path));
  };
  EXPECT_EQ(readsAs(whole), describe(valuesWith({{"k", 2.0}}, {1, 2, 3, 4})));
  EXPECT_EQ(readsAs(whole.substr(0, whole.size() - 1)), "parse error");
  EXPECT_EQ(readsAs(whole + whole), "parse error");
  EXPECT_EQ(readsAs("%YAML:1.0\nk: 3\n"), describe(valuesWith({{"k", 3.0}})));
  // Comment lines of 3000 bytes: 300 stay below the bound of 1 MiB, 400 pass it.
  for (const std::string name : {"big.yml", "big.yml.gz"}) {
    for (const int lines : {300, 400}) {
      cv::FileStorage storage(folder.file(name), cv::FileStorage::WRITE);
      storage << "k" << 1.0;
      for (int i = 0; i < lines; ++i) storage.writeComment(std::string(3000, 'c'));
      storage.release();
      EXPECT_EQ(describe(readOrError(folder.file(name))), lines == 300 ? describe(valuesWith({{"k", 1.0}})) : "parse error")
          << name << ", " << lines << " lines";
    }
  }
}

}  // namespace
