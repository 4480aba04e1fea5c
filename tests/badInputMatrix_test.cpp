// Hostile inputs for all nine exports: odd frame sizes, channel counts and
// depths, non-continuous views, non-finite numbers, empty, mismatched and
// very long lists, paths that cannot be read or written, and calibration
// files that are empty, cut short, garbage, in another format, mistyped,
// huge or non-finite. Every case names the outcome it expects (a result code
// or cv::Exception), and no calibration file in the scratch folder may be
// damaged by it: each stays byte for byte as it was, except the one a
// successful call rewrites, which must then hold a complete calibration.
#include <gtest/gtest.h>

#include <opencv2/aruco.hpp>
#include <opencv2/imgproc.hpp>

#include <station.h>
#include <sys/stat.h>
#include <talmeqAlgorithm.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "calibrationFiles.h"
#include "calibrationScenes.h"
#include "logCapture.h"

namespace {

namespace fs = std::filesystem;
using talmeq::test::readText;
using talmeq::test::ScratchFolder;
using Markers = std::vector<std::vector<cv::Point2f>>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// What a case expects: a result code, or OpenCV's error.
struct Outcome {
  bool raises;
  int code;
};
constexpr Outcome kThrows{true, 0};
constexpr Outcome code(int c) { return {false, c}; }

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  return o.raises ? out << "cv::Exception" : out << "code " << o.code;
}

// Bytes of every regular file in the folder, by name.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[entry.path().lexically_relative(folder).string()] = readText(entry.path());
  return files;
}

Outcome outcomeOf(const std::function<int()>& call) {
  try {
    return code(call());
  } catch (const cv::Exception&) {
    return kThrows;
  }
}

// The calibration files and images the cases share, prepared once.
class BadInputMatrix : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    talmeq::test::LogCapture quiet;
    const talmeq::sim::Station station;
    heights_ = {0.0, 10.0, 20.0, 30.0};
    for (double h : heights_) {
      cv::Point coord;
      getSpotCoord(talmeq::sim::stationFrame(station, h, 7), coord);
      coords_.push_back(coord);
    }
    const fs::path path = fs::temp_directory_path() / ("talmeq-matrix-" + std::to_string(getpid()) + ".yml");
    talmeq::sim::writeStartingCalibration(station, path.string());
    startingFile_ = readText(path.string());
    getCalibrationParamByLinear(heights_, coords_, path.string());
    calibratedFile_ = readText(path.string());
    fs::remove(path);
    stationFrame_ = talmeq::sim::stationFrame(station, 15.0, 3);
    const talmeq::sim::Target chess = talmeq::sim::chessboardTarget();
    chessFrame_ = talmeq::sim::renderView(chess, camera_, talmeq::test::chessPose(chess)).image;
    const talmeq::sim::Target board = talmeq::sim::arucoBoardTarget(cv::aruco::DICT_6X6_250);
    arucoFrame_ = talmeq::sim::renderView(board, camera_, talmeq::test::arucoPoses(board)[0]).image;
  }

  void SetUp() override {
    talmeq::test::writeText(folder_.file("other.yml"), calibratedFile_);  // a bystander that must survive
  }

  // Runs one case: the outcome, and every file in the folder undamaged.
  // `rewritten` names the file a call is expected to replace, if any.
  void expectCase(const std::string& label, const std::function<int()>& call, Outcome expected,
                  const std::string& rewritten = "") {
    const auto before = snapshot(folder_.file(""));
    const Outcome got = outcomeOf(call);
    EXPECT_TRUE(got.raises == expected.raises && got.code == expected.code)
        << label << ": expected " << expected << ", got " << got;
    const auto after = snapshot(folder_.file(""));
    for (const auto& [name, bytes] : before) {
      const auto now = after.find(name);
      ASSERT_NE(now, after.end()) << label << ": " << name << " vanished";
      if (name == rewritten)
        EXPECT_EQ(talmeq::test::topLevelKeys(folder_.file(name)), talmeq::test::elevenKeys()) << label;
      else
        EXPECT_EQ(now->second, bytes) << label << ": " << name << " changed";
    }
    EXPECT_EQ(after.size(), before.size() + (rewritten.empty() || before.count(rewritten) ? 0 : 1)) << label;
    ++casesPerExport_[label.substr(0, label.find(','))];
  }

  static void TearDownTestSuite() {
    for (const auto& [name, count] : casesPerExport_) std::cout << name << ": " << count << " bad inputs\n";
  }

  static std::vector<double> heights_;
  static std::vector<cv::Point> coords_;
  static std::string startingFile_, calibratedFile_;
  static cv::Mat stationFrame_, chessFrame_, arucoFrame_;
  static const talmeq::sim::Camera camera_;
  talmeq::test::LogCapture quiet_;
  ScratchFolder folder_;
  static std::map<std::string, int> casesPerExport_;
};

std::vector<double> BadInputMatrix::heights_;
std::vector<cv::Point> BadInputMatrix::coords_;
std::string BadInputMatrix::startingFile_, BadInputMatrix::calibratedFile_;
cv::Mat BadInputMatrix::stationFrame_, BadInputMatrix::chessFrame_, BadInputMatrix::arucoFrame_;
const talmeq::sim::Camera BadInputMatrix::camera_ = talmeq::test::distortedCamera();
std::map<std::string, int> BadInputMatrix::casesPerExport_;

// ---------------------------------------------------------------------------
// Frames: sizes around the spot detector's smallest window, channel counts,
// depths and a view into a larger frame.
// ---------------------------------------------------------------------------
const char* const kFrameKinds[] = {"empty",         "1x1",     "11x13",  "12x14", "one channel",
                                   "two channels",  "four channels", "16-bit", "float", "view"};

cv::Mat frameOfKind(const std::string& kind, const cv::Mat& base) {
  if (kind == "empty") return {};
  if (kind == "1x1") return base(cv::Rect(0, 0, 1, 1)).clone();
  if (kind == "11x13") return base(cv::Rect(0, 0, 11, 13)).clone();
  if (kind == "12x14") return base(cv::Rect(0, 0, 12, 14)).clone();
  cv::Mat converted;
  if (kind == "one channel") cv::cvtColor(base, converted, cv::COLOR_BGR2GRAY);
  if (kind == "two channels") {
    cv::Mat grey;
    cv::cvtColor(base, grey, cv::COLOR_BGR2GRAY);
    cv::merge(std::vector<cv::Mat>{grey, grey}, converted);
  }
  if (kind == "four channels") cv::cvtColor(base, converted, cv::COLOR_BGR2BGRA);
  if (kind == "16-bit") base.convertTo(converted, CV_16U, 257.0);
  if (kind == "float") base.convertTo(converted, CV_32F, 1.0 / 255.0);
  if (kind == "view") {
    cv::Mat larger(base.rows + 20, base.cols + 30, base.type(), cv::Scalar::all(255));
    const cv::Rect inside(10, 5, base.cols, base.rows);
    base.copyTo(larger(inside));
    converted = larger(inside);
  }
  return converted;
}

using FrameExpectations = std::map<std::string, Outcome>;

void checkExpectationsCoverEveryKind(const FrameExpectations& expected) {
  for (const char* kind : kFrameKinds) EXPECT_EQ(expected.count(kind), 1u) << kind;
}

TEST_F(BadInputMatrix, FramesGivenToTheSpotDetectorAndTheHeightMeasurement) {
  const std::string path = folder_.file("station.yml");
  talmeq::test::writeText(path, calibratedFile_);
  const FrameExpectations spot = {
      {"empty", code(-2)},         {"1x1", code(-2)},           {"11x13", code(-2)},  {"12x14", code(-1)},
      {"one channel", kThrows},    {"two channels", kThrows},   {"four channels", code(0)},
      {"16-bit", kThrows},         {"float", kThrows},          {"view", code(0)}};
  // The calibrated window lies far inside the station frame: small frames
  // do not hold it.
  const FrameExpectations height = {
      {"empty", kThrows},          {"1x1", kThrows},            {"11x13", kThrows},   {"12x14", kThrows},
      {"one channel", kThrows},    {"two channels", kThrows},   {"four channels", code(0)},
      {"16-bit", kThrows},         {"float", kThrows},          {"view", code(0)}};
  checkExpectationsCoverEveryKind(spot);
  checkExpectationsCoverEveryKind(height);
  for (const char* kind : kFrameKinds) {
    const cv::Mat frame = frameOfKind(kind, stationFrame_);
    cv::Point coord;
    expectCase(std::string("getSpotCoord, ") + kind, [&] { return getSpotCoord(frame, coord); }, spot.at(kind));
    double h = 0.0, z = 0.0;
    expectCase(std::string("getPlaneHeightByLinear, ") + kind,
               [&] { return getPlaneHeightByLinear(frame, path, h, z); }, height.at(kind));
  }
}

TEST_F(BadInputMatrix, FramesGivenToTheCameraExports) {
  // The chessboard search refuses frames too small for its pattern.
  const FrameExpectations chess = {
      {"empty", kThrows},          {"1x1", kThrows},            {"11x13", kThrows},   {"12x14", kThrows},
      {"one channel", kThrows},    {"two channels", kThrows},   {"four channels", code(0)},
      {"16-bit", kThrows},         {"float", kThrows},          {"view", code(0)}};
  const FrameExpectations markers = {
      {"empty", kThrows},          {"1x1", code(-1)},           {"11x13", code(-1)},  {"12x14", code(-1)},
      {"one channel", code(0)},    {"two channels", kThrows},   {"four channels", kThrows},
      {"16-bit", kThrows},         {"float", kThrows},          {"view", code(0)}};
  // Both corrections take any image cv::remap takes, however small.
  const FrameExpectations corrections = {
      {"empty", kThrows},          {"1x1", code(0)},            {"11x13", code(0)},   {"12x14", code(0)},
      {"one channel", code(0)},    {"two channels", code(0)},   {"four channels", code(0)},
      {"16-bit", code(0)},         {"float", code(0)},          {"view", code(0)}};
  for (const FrameExpectations* expected : {&chess, &markers, &corrections}) checkExpectationsCoverEveryKind(*expected);
  for (const char* kind : kFrameKinds) {
    const std::string label(kind);
    const cv::Mat chessFrame = frameOfKind(kind, chessFrame_);
    cv::Mat camera, dist, corrected;
    expectCase("calibChess, " + label, [&] { return calibChess(chessFrame, camera, dist); }, chess.at(kind));
    const cv::Mat arucoFrame = frameOfKind(kind, arucoFrame_);
    std::vector<int> ids;
    Markers corners;
    expectCase("getArucoCorners, " + label, [&] { return getArucoCorners(arucoFrame, ids, corners); },
               markers.at(kind));
    expectCase("undistAruco, " + label, [&] {
      return undistAruco(chessFrame, camera_.matrix(), camera_.distortion(), {64, 48}, corrected);
    }, corrections.at(kind));
    expectCase("getCorrectImgByThickness, " + label, [&] {
      return getCorrectImgByThickness(chessFrame, camera_.matrix(), camera_.distortion(), 10.0, corrected);
    }, corrections.at(kind));
  }
}

// ---------------------------------------------------------------------------
// Calibration files and paths.
// ---------------------------------------------------------------------------

// Contents a calibration file may hold after an accident or a hand edit.
std::map<std::string, std::string> damagedContents(const std::string& calibrated) {
  std::string garbage;
  cv::RNG rng(11);
  for (int i = 0; i < 512; ++i) garbage += static_cast<char>(rng.uniform(0, 256));
  const std::string yaml = "%YAML:1.0\n---\n";
  return {
      {"empty", ""},
      {"truncated", calibrated.substr(0, calibrated.size() / 2)},
      {"binary garbage", garbage},
      // Found by fuzzing: NUL bytes or an XML processing instruction left
      // open made OpenCV's parser crash on a null pointer.
      {"NUL bytes in an XML header", std::string("<?xml version=") + std::string(99, '\0') +
                                         "\"1.0\"?>\n<opencv_storage>\n<k>0.25</k><RoI>101 80 060 45</RoI>\n"
                                         "</opencv_storage>\n"},
      {"zero-filled tail", calibrated.substr(0, calibrated.size() / 2) + std::string(4096, '\0')},
      {"XML instruction left open", "<?xml version=\"1.0\"?>\n<?xml version="},
      // Found by fuzzing: sent OpenCV's parser into an endless loop.
      {"text glued to the document marker", "%YAML:1.0\n---)k: .nan\nb: -.inf\n"},
      {"JSON", "{\n  \"k\": 1.0, \"scale\": 0.1, \"dist\": 300.0, \"initZ\": -31.0, \"RoI\": [500, 500, 200, 150]\n}\n"},
      {"XML", "<?xml version=\"1.0\"?>\n<opencv_storage>\n<k>1.</k><scale>0.1</scale><dist>300.</dist>\n"
              "<RoI>500 500 200 150</RoI></opencv_storage>\n"},
      {"wrong key types", yaml + "k: \"steep\"\nscale: [ 1, 2 ]\ndist: { a: 1 }\nRoI: \"all of it\"\n"},
      {"huge numbers", yaml + "k: 1e308\nb: -1e308\nscale: 1e308\ndist: 1e-308\ninitialX: 1e300\n"
                             "RoI: [ 2147483647, 2147483647, 2147483647, 2147483647 ]\n"},
      {"integers beyond int", yaml + "dist: 300.\nRoI: [ 99999999999, -99999999999, 10, 10 ]\n"},
      {"non-finite numbers", yaml + "k: .nan\nb: .inf\nscale: -.inf\ndist: .nan\ninitZ: .inf\noffsetX: .nan\n"
                                   "RoI: [ 500, 500, 200, 150 ]\n"},
      {"RoI outside the frame", yaml + "k: 1.\nscale: 0.1\ndist: 300.\nRoI: [ 1200, 1000, 200, 150 ]\n"},
      {"RoI of negative size", yaml + "k: 1.\nscale: 0.1\ndist: 300.\nRoI: [ 700, 600, -200, 150 ]\n"},
  };
}

// Expected outcomes per content, for each of the three exports that read it.
struct FileExpectation {
  Outcome calibration, correction, measurement;
};

TEST_F(BadInputMatrix, DamagedCalibrationFiles) {
  const std::map<std::string, FileExpectation> expected = {
      // A file that opens but does not parse is OpenCV's error.
      {"empty", {kThrows, kThrows, kThrows}},
      {"binary garbage", {kThrows, kThrows, kThrows}},
      {"NUL bytes in an XML header", {kThrows, kThrows, kThrows}},
      {"zero-filled tail", {kThrows, kThrows, kThrows}},
      {"text glued to the document marker", {kThrows, kThrows, kThrows}},
      {"XML instruction left open", {kThrows, kThrows, kThrows}},
      // Half a file has no "dist", and its window is gone.
      {"truncated", {code(-2), code(0), code(-1)}},
      // Other formats are read by their content; the rewrite is YAML.
      {"JSON", {code(0), code(0), code(-3)}},
      {"XML", {code(0), code(0), code(-3)}},
      // Mistyped reals read as cv::read gives them, a mistyped "RoI" as empty.
      {"wrong key types", {code(0), code(0), code(-1)}},
      // Windows at or beyond the int range lie outside every image.
      {"integers beyond int", {code(-1), code(0), kThrows}},
      // Non-finite values pass through the fit and the height, and NaN
      // fails neither the error limit nor the height range.
      {"huge numbers", {code(0), code(0), kThrows}},
      {"non-finite numbers", {code(0), code(0), code(0)}},
      {"RoI outside the frame", {code(0), code(0), kThrows}},
      {"RoI of negative size", {code(0), code(0), kThrows}},
  };
  const auto contents = damagedContents(calibratedFile_);
  ASSERT_EQ(contents.size(), expected.size());
  const std::string path = folder_.file("cal.yml");
  for (const auto& [name, text] : contents) {
    const FileExpectation& e = expected.at(name);
    const auto rewrittenOn = [&](Outcome o) { return o.raises || o.code == -2 ? "" : "cal.yml"; };
    double h = 0.0, z = 0.0;
    talmeq::test::writeText(path, text);
    expectCase("getCalibrationParamByLinear, " + name,
               [&] { return getCalibrationParamByLinear(heights_, coords_, path); }, e.calibration,
               rewrittenOn(e.calibration));
    talmeq::test::writeText(path, text);
    expectCase("correctYml, " + name, [&] { return correctYml(-2.0, 1.5, path); }, e.correction,
               rewrittenOn(e.correction));
    talmeq::test::writeText(path, text);
    expectCase("getPlaneHeightByLinear, " + name,
               [&] { return getPlaneHeightByLinear(stationFrame_, path, h, z); }, e.measurement);
  }
}

// Paths that do not name a readable calibration file: nothing is created.
TEST_F(BadInputMatrix, PathsThatNameNoReadableFile) {
  talmeq::test::writeText(folder_.file("plain.yml"), calibratedFile_);
  fs::create_directories(folder_.file("folder.yml"));
  const std::map<std::string, std::string> paths = {
      {"missing file", folder_.file("absent.yml")},
      {"directory", folder_.file("folder.yml")},
      {"file used as a folder", folder_.file("plain.yml/cal.yml")},
      {"missing folder", folder_.file("nowhere/cal.yml")},
      {"empty path", ""},
  };
  for (const auto& entry : paths) {
    const std::string& name = entry.first;
    const std::string& path = entry.second;  // a plain name, so the lambdas may capture it
    double h = 1.0, z = 2.0;
    expectCase("getCalibrationParamByLinear, " + name,
               [&] { return getCalibrationParamByLinear(heights_, coords_, path); }, code(-2));
    expectCase("correctYml, " + name, [&] { return correctYml(0.0, 1.0, path); }, code(-2));
    expectCase("getPlaneHeightByLinear, " + name,
               [&] { return getPlaneHeightByLinear(stationFrame_, path, h, z); }, code(-2));
    EXPECT_EQ(h, 1.0);
    EXPECT_EQ(z, 2.0);
  }
  EXPECT_FALSE(fs::exists(folder_.file("nowhere")));
}

// A file name close to the file system's limit is still rewritten: the
// temporary file beside it must not need a longer name than the target.
TEST_F(BadInputMatrix, FileNameAtTheLengthLimitIsRewritten) {
  const std::string name = std::string(250, 'c') + ".yml";
  const std::string path = folder_.file(name);
  talmeq::test::writeText(path, startingFile_);
  expectCase("getCalibrationParamByLinear, long name",
             [&] { return getCalibrationParamByLinear(heights_, coords_, path); }, code(0), name);
  EXPECT_NE(readText(path), startingFile_);
  const std::string calibrated = readText(path);
  expectCase("correctYml, long name", [&] { return correctYml(0.0, 1.0, path); }, code(0), name);
  EXPECT_NE(readText(path), calibrated);
}

// Without write permission the file is left as it was and the result is
// decided by the rest of the work. (The super-user writes anyway.)
TEST_F(BadInputMatrix, UnwritableFolderLeavesTheFileAsItWas) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
  const std::string path = folder_.file("locked/cal.yml");
  fs::create_directories(folder_.file("locked"));
  talmeq::test::writeText(path, calibratedFile_);
  chmod(folder_.file("locked").c_str(), 0555);
  expectCase("getCalibrationParamByLinear, unwritable folder",
             [&] { return getCalibrationParamByLinear(heights_, coords_, path); }, code(0));
  expectCase("correctYml, unwritable folder", [&] { return correctYml(0.0, 1.0, path); }, code(0));
  chmod(folder_.file("locked").c_str(), 0755);
}

// ---------------------------------------------------------------------------
// Numbers and lists.
// ---------------------------------------------------------------------------

TEST_F(BadInputMatrix, CalibrationPointLists) {
  const std::string path = folder_.file("cal.yml");
  // The four station points over and over: the same fit from a long list.
  std::vector<double> longHeights;
  std::vector<cv::Point> longCoords;
  constexpr std::size_t kLongList = 20000;
  for (std::size_t i = 0; i < kLongList; ++i) {
    longHeights.push_back(heights_[i % heights_.size()]);
    longCoords.push_back(coords_[i % coords_.size()]);
  }
  const std::vector<cv::Point> farAway(4, cv::Point(INT_MAX, INT_MIN));
  struct ListCase {
    std::string name;
    std::vector<double> heights;
    std::vector<cv::Point> coords;
    Outcome expected;
  };
  const std::vector<ListCase> cases = {
      {"empty lists", {}, {}, code(-2)},
      {"fewer points than heights", heights_, {coords_.begin(), coords_.end() - 1}, code(-2)},
      {"two points", {0.0, 30.0}, {coords_.front(), coords_.back()}, code(-2)},
      {"NaN height", {0.0, kNaN, 20.0, 30.0}, coords_, code(-2)},
      {"infinite height", {0.0, 10.0, 20.0, kInf}, coords_, code(-2)},
      {"equal first and last heights", {5.0, 10.0, 20.0, 5.0}, coords_, code(-2)},
      {"very long lists", longHeights, longCoords, code(0)},
      {"coordinates at the int limits", heights_, farAway, code(-1)},
  };
  for (const ListCase& c : cases) {
    talmeq::test::writeText(path, startingFile_);
    expectCase("getCalibrationParamByLinear, " + c.name,
               [&] { return getCalibrationParamByLinear(c.heights, c.coords, path); }, c.expected,
               c.expected.code == -2 ? "" : "cal.yml");
  }
}

TEST_F(BadInputMatrix, NonFiniteHeightsAndThicknesses) {
  const std::string path = folder_.file("cal.yml");
  const std::map<std::string, std::pair<double, double>> shifts = {
      {"NaN", {kNaN, 0.0}}, {"+inf", {0.0, kInf}}, {"-inf", {-kInf, 0.0}}, {"overflowing", {1e308, -1e308}}};
  // The shift is not checked: the file is rewritten whole, "initZ" not finite.
  for (const auto& entry : shifts) {
    const auto [fromZ, toZ] = entry.second;
    talmeq::test::writeText(path, calibratedFile_);
    expectCase("correctYml, " + entry.first + " shift", [&, fromZ = fromZ, toZ = toZ] {
      return correctYml(fromZ, toZ, path);
    }, code(0), "cal.yml");
  }
  // The thickness is not checked: a non-finite one still gives an output of
  // the input's size and type, whose pixels mean nothing.
  for (const double thickness : {kNaN, kInf, -kInf}) {
    cv::Mat corrected;
    expectCase("getCorrectImgByThickness, thickness " + std::to_string(thickness), [&] {
      return getCorrectImgByThickness(chessFrame_, camera_.matrix(), camera_.distortion(), thickness, corrected);
    }, code(0));
    EXPECT_EQ(corrected.size(), chessFrame_.size()) << thickness;
    EXPECT_EQ(corrected.type(), chessFrame_.type()) << thickness;
  }
  // Non-finite camera matrices or coefficients are no better than unusable ones.
  cv::Mat nanCamera = camera_.matrix();
  nanCamera.at<double>(0, 0) = kNaN;
  cv::Mat infDistortion = camera_.distortion();
  infDistortion.at<double>(0, 0) = kInf;
  cv::Mat corrected;
  expectCase("undistAruco, NaN focal length",
             [&] { return undistAruco(chessFrame_, nanCamera, camera_.distortion(), {64, 48}, corrected); },
             code(0));
  expectCase("undistAruco, infinite distortion",
             [&] { return undistAruco(chessFrame_, camera_.matrix(), infDistortion, {64, 48}, corrected); },
             code(0));
  expectCase("undistAruco, empty output size",
             [&] { return undistAruco(chessFrame_, camera_.matrix(), camera_.distortion(), {0, 0}, corrected); },
             kThrows);
  expectCase("undistAruco, negative output size",
             [&] { return undistAruco(chessFrame_, camera_.matrix(), camera_.distortion(), {-5, 48}, corrected); },
             kThrows);
  // An empty camera matrix once crashed inside both undistortions.
  expectCase("getCorrectImgByThickness, empty camera matrix", [&] {
    return getCorrectImgByThickness(chessFrame_, cv::Mat(), camera_.distortion(), 1.0, corrected);
  }, kThrows);
  expectCase("undistAruco, empty camera matrix",
             [&] { return undistAruco(chessFrame_, cv::Mat(), camera_.distortion(), {64, 48}, corrected); },
             kThrows);
  expectCase("getCorrectImgByThickness, no distortion coefficients", [&] {
    return getCorrectImgByThickness(chessFrame_, camera_.matrix(), cv::Mat(), 1.0, corrected);
  }, code(0));
}

TEST_F(BadInputMatrix, MarkerListsForTheArucoCalibration) {
  std::vector<int> ids;
  Markers corners;
  ASSERT_EQ(getArucoCorners(arucoFrame_, ids, corners), 0);
  Markers threeCorners = corners;
  threeCorners[0].pop_back();
  Markers nanCorners = corners;
  nanCorners[0][0] = cv::Point2f(NAN, NAN);
  std::vector<int> manyIds = ids;
  manyIds.resize(100000, 7);
  const std::vector<int> strangerIds(ids.size(), 999);
  struct ListCase {
    std::string name;
    std::vector<Markers> allCorners;
    std::vector<std::vector<int>> allIds;
    cv::Size size;
    Outcome expected;
  };
  const cv::Size size = camera_.size;
  const std::vector<ListCase> cases = {
      {"no views", {}, {}, size, code(-1)},
      {"fewer identifier lists than views", {corners, corners}, {ids}, size, code(-2)},
      {"fewer identifiers than markers", {corners}, {{ids.begin(), ids.end() - 1}}, size, code(-2)},
      {"a marker with three corners", {threeCorners}, {ids}, size, code(-2)},
      {"a marker with five corners", {Markers(corners.size(), std::vector<cv::Point2f>(5))}, {ids}, size, code(-2)},
      {"surplus identifiers", {corners}, {manyIds}, size, code(0)},
      {"identifiers not on the board", {corners}, {strangerIds}, size, kThrows},
      {"a view without markers", {corners, {}}, {ids, {}}, size, kThrows},
      {"NaN corner", {nanCorners}, {ids}, size, code(0)},
      {"empty image size", {corners}, {ids}, {0, 0}, kThrows},
  };
  for (const ListCase& c : cases) {
    cv::Mat camera, dist;
    expectCase("calibAruco, " + c.name, [&] { return calibAruco(c.allCorners, c.allIds, c.size, camera, dist); },
               c.expected);
  }
}

}  // namespace
