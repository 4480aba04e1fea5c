// The strict reader of the calibration file: a table of texts with the
// values they read as, or OpenCV's parse error; files that cv::FileStorage
// writes in every format, compressed or not, read back as written; texts
// beyond the size bound are parse errors. Damaged compressed files are left
// to the compressed-file fuzzing harness.

#include <cmath>
#include <iomanip>
#include <optional>
#include <random>

#include "calibrationFiles.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::detail::readCalibration;
using talmeq::test::ScratchFolder;

constexpr double kMax = std::numeric_limits<double>::max();

// The values that are not 0 as "key=value" (exact reals, every NaN as nan,
// the largest double as max), or "parse error".
std::string describe(const std::optional<CalibrationValues>& v) {
  if (!v) return "parse error";
  CalibrationValues values = *v;
  std::vector<std::string> keys = talmeq::test::elevenKeys();
  keys.erase(keys.begin() + 8);  // "RoI", written last
  std::ostringstream out;
  out << std::setprecision(17);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const double real = *talmeq::test::realsOf(values)[i];
    if (real == 0.0) continue;
    out << keys[i] << '=';
    std::isnan(real) ? out << "nan " : real == kMax ? out << "max " : out << real << ' ';
  }
  const cv::Rect& r = v->roi;
  if (r != cv::Rect()) out << "RoI=" << r.x << ',' << r.y << ',' << r.width << ',' << r.height;
  const std::string text = out.str();
  return text.substr(0, text.find_last_not_of(' ') + 1);
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

TEST(CalibrationReader, TextsReadAsOpenCvReadsThemOrRaiseItsParseError) {
  const std::string yaml = "%YAML:1.0\n---\n", xml = "<?xml version=\"1.0\"?>\n<opencv_storage>\n";
  const std::string error = "parse error";
  const std::vector<std::tuple<const char*, std::string, std::string>> cases = {
      // what, text, describe()
      {"as written",
       yaml + "k: 1.0000000000000001e-01\ninitialX: 512.\nscale: .Nan\ndist: .Inf\ninitZ: -.Inf\n"
              "RoI: [ 459, 463, 338, -202 ]\n",
       "k=0.10000000000000001 initialX=512 scale=nan dist=inf initZ=-inf RoI=459,463,338,-202"},
      {"hand edited",
       "%YAML 1.0\r\n# station 7\r\n\r\nRoI : [1,2,3,4]   # window\r\nk:2\r\nstation note: hand edited\r\n"
       "_extra: [ 1, \"a\" ]\r\nmore: { a b: 1 }\r\n...\r\n",
       "k=2 RoI=1,2,3,4"},
      {"number forms", yaml + "k: 010\nb: 0x1F\nscale: -0x10\ndist: 5.\ninitZ: -.5e1\nfocusD: 1.5E3\noffsetY: 1e400\n",
       "k=8 b=31 scale=-16 dist=5 initZ=-5 focusD=1500 offsetY=inf"},
      {"texts and collections",
       yaml + "k: \"1.5\"\nb: '2'\nscale: [1, 2]\ndist: {a: 1}\ninitZ: abc\n"
              "RoI: [1, 2, \"3\", 4]\n",
       "k=max b=max scale=max dist=max initZ=max"},
      {"rounded region", yaml + "RoI: [ 1.5, 2.5, -1.5, 0.49 ]\n", "RoI=2,2,-2,0"},
      {"three numbers", yaml + "RoI: [ 1, 2, 3 ]\n", ""},
      {"five numbers", yaml + "RoI: [ 1, 2, 3, 4, 5 ]\n", ""},
      {"empty region", yaml + "RoI: [ ]\n", ""},
      {"no keys", yaml, ""},
      {"JSON", "{\n  \"k\": 1.5, \"b\": true, \"dist\": false,\n  \"scale\": \"x\", \"RoI\": [ 1, 2, 3, 4 ]\n}\n",
       "k=1.5 b=1 scale=max RoI=1,2,3,4"},
      {"XML",
       xml + "<!-- c -->\n<k>1.5</k>\n<RoI>\n  1 2 3 4</RoI><b>a b</b><scale></scale><dist>1 2</dist>\n"
             "</opencv_storage>\n",
       "k=1.5 b=max scale=max dist=max RoI=1,2,3,4"},
      {"no format signature", "k: 1\n", error},
      {"YAML 2", "%YAML:2.0\nk: 1\n", error},
      {"indented key", yaml + "  k: 1\n", error},
      {"key twice", yaml + "k: 1\nk: 2\n", error},
      {"comment after a plain text", yaml + "k: abc # note: x\n", error},
      {"tab", yaml + "k:\t1\n", error},
      {"upper-case exponent without a point", yaml + "k: 1E5\n", error},
      {"octal digit 9", yaml + "k: 09\n", error},
      {"sequence across lines", yaml + "RoI: [ 1,\n  2, 3, 4 ]\n", error},
      {"nested sequence", yaml + "k: [ [ 1 ] ]\n", error},
      {"second document", yaml + "k: 1\n---\nb: 2\n", error},
      {"document end alone", "%YAML:1.0\n...\n", error},
      {"lone carriage return", yaml + "k: 1\rb: 2\n", error},
      {"overlong line", yaml + "# " + std::string(4000, 'c') + "\n", error},
      {"JSON trailing comma", "{\"k\": 1,}", error},
      {"JSON text after the object", "{\"k\": 1} x", error},
      {"XML text after the root", xml + "<k>1</k></opencv_storage>\nx\n", error},
      {"XML element closed by another name", xml + "<k>1</b></opencv_storage>\n", error},
      {"XML quote inside a text", xml + "<k>\"a'b\"</k></opencv_storage>\n", error},
      {"XML '>' inside a text", xml + "<k>\"a>b\"</k></opencv_storage>\n", error},
      {"XML tab after a comment", xml + "<!-- c -->\t<k>1</k></opencv_storage>\n", error},
  };
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  for (const auto& [what, text, values] : cases) {
    talmeq::test::writeText(path, text);
    EXPECT_EQ(describe(readOrError(path)), values) << what;
  }
}

// Whether cv::FileStorage reads the reals back as it wrote them. OpenCV 4.10
// writes an integral real beyond the int range without a point and reads it
// back as a cut-off int.
bool openCvReadsBackItsReals(const std::string& path, CalibrationValues v) {
  const auto reals = talmeq::test::realsOf(v);
  cv::FileStorage out(path, cv::FileStorage::WRITE);
  for (std::size_t i = 0; i < reals.size(); ++i) out << "r" + std::to_string(i) << *reals[i];
  out.release();
  const cv::FileStorage in(path, cv::FileStorage::READ);
  for (std::size_t i = 0; i < reals.size(); ++i) {
    const double read = in["r" + std::to_string(i)].real();
    if (read != *reals[i] && !(std::isnan(read) && std::isnan(*reals[i]))) return false;
  }
  return true;
}

// The property behind the table: whatever cv::FileStorage writes, in the
// format and compression the name chooses, reads back as written; a file
// OpenCV cannot read back as written is refused, not left.
TEST(CalibrationReader, ReadsBackWhatOpenCvWritesInEveryFormat) {
  ScratchFolder folder;
  std::mt19937_64 random(20260117);
  std::uniform_int_distribution<int> coordinate(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  std::uniform_real_distribution<double> plain(-1000.0, 1000.0);
  const auto anyDouble = [&] {  // NaN, infinities and subnormals included
    const std::uint64_t bits = random();
    double real = 0.0;
    std::memcpy(&real, &bits, sizeof real);
    return real;
  };
  const std::pair<std::string, char> formats[] = {{"cal.yml", '%'},   {"cal.json", '{'},   {"cal.xml", '<'},
                                                  {"cal.yml.gz", 31}, {"cal.json.gz", 31}, {"cal.xml.gz", 31}};
  for (const auto& [name, head] : formats) {
    for (int round = 0; round < 40; ++round) {
      CalibrationValues written;
      for (double* real : talmeq::test::realsOf(written)) *real = round % 2 == 0 ? anyDouble() : plain(random);
      written.roi = {coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
      const std::string path = folder.file(name);
      if (!talmeq::detail::writeCalibration(path, written)) {
        EXPECT_FALSE(openCvReadsBackItsReals(folder.file("probe-" + name), written)) << name << ", round " << round;
        continue;
      }
      EXPECT_EQ(talmeq::test::readText(path)[0], head) << name;
      const std::optional<CalibrationValues> read = readOrError(path);
      EXPECT_EQ(describe(read), describe(written)) << name << ", round " << round;
    }
  }
}

// Texts beyond the size bound of 1 MiB, plain or once inflated, are parse
// errors: comment lines of 3000 bytes, 300 of them below it, 400 beyond.
TEST(CalibrationReader, TextsBeyondTheSizeBoundAreParseErrors) {
  ScratchFolder folder;
  for (const std::string name : {"big.yml", "big.yml.gz"}) {
    for (const int lines : {300, 400}) {
      cv::FileStorage storage(folder.file(name), cv::FileStorage::WRITE);
      storage << "k" << 1.0;
      for (int i = 0; i < lines; ++i) storage.writeComment(std::string(3000, 'c'));
      storage.release();
      EXPECT_EQ(describe(readOrError(folder.file(name))), lines == 300 ? "k=1" : "parse error") << name << lines;
    }
  }
}

// A thread keeps the values of the last bytes it parsed: a rewrite of the
// same length must read its new values, and the same gzip bytes read as the
// name decides (inflated under ".gz", a parse error otherwise).
TEST(CalibrationReader, EachReadingSeesTheBytesTheFileHoldsNow) {
  ScratchFolder folder;
  const std::string path = folder.file("same.yml");
  for (const char* k : {"1.5", "2.5", "2.5", "3.5"}) {
    talmeq::test::writeYaml(path, std::string("k: ") + k + "\n");
    EXPECT_EQ(describe(readOrError(path)), std::string("k=") + k);
  }
  cv::FileStorage storage(folder.file("packed.yml.gz"), cv::FileStorage::WRITE);
  storage << "k" << 4.5;
  storage.release();
  const std::string packed = talmeq::test::readText(folder.file("packed.yml.gz"));
  const std::pair<const char*, const char*> names[] = {
      {"a.yml.gz", "k=4.5"}, {"a.yml", "parse error"}, {"b.yml.gz", "k=4.5"}};
  for (const auto& [name, expected] : names) {
    std::ofstream(folder.file(name), std::ios::binary) << packed;
    EXPECT_EQ(describe(readOrError(folder.file(name))), expected) << name;
  }
}

}  // namespace
