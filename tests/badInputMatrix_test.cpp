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
#include <talmeqInternal.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "calibrationFiles.h"
#include "calibrationScenes.h"
#include "cvErrorsAsText.h"
#include "logCapture.h"
#include "seededFrames.h"

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
bool operator==(const Outcome& a, const Outcome& b) { return a.raises == b.raises && a.code == b.code; }

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

// What an export prints before OpenCV's error can stop it.
const std::map<std::string, std::vector<std::string>>& startMessages() {
  static const std::map<std::string, std::vector<std::string>> messages = {
      {"getSpotCoord", {"getSpotCoord: start! 2025_09_29_V1.8.0"}},
      {"getCalibrationParamByLinear", {"getCalibrationParamByLinear: start! 2025_09_29_V1.8.0"}},
      {"correctYml", {"correctYml: start! 2025_09_29_V1.8.0"}}, {"getPlaneHeightByLinear", {}},
      {"calibChess", {"calibChess: start!"}}, {"getArucoCorners", {}}, {"calibAruco", {}},
      {"undistAruco", {}}, {"getCorrectImgByThickness", {"getCorrectImg: start!"}}};
  return messages;
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
    lastCase_.clear();
    const int callsBefore = lastCase_.calls();
    const Outcome got = outcomeOf(call);
    EXPECT_TRUE(got == expected) << label << ": expected " << expected << ", got " << got;
    const std::string exportName = label.substr(0, label.find(','));
    expectLogged(label, exportName, got, callsBefore);
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
    ++casesPerExport_[exportName];
  }

  // What a case logged, by its outcome.
  void expectLogged(const std::string& label, const std::string& exportName, Outcome got, int callsBefore) {
    // OpenCV's error passes through unchanged: no failure record, nothing
    // logged but the start message of the exports that have one.
    const std::vector<std::string> printed = lastCase_.printed(), &start = startMessages().at(exportName);
    if (got.raises) { EXPECT_EQ(printed, start) << label; }
    // A refusal opens with the start message, as every call does; -2 is
    // decided before anything else is logged (the spot detector names an
    // empty image first).
    const bool silent = exportName == "getPlaneHeightByLinear";  // the measurement never logs
    if (got.code == -2 && !silent && exportName != "getSpotCoord") {
      EXPECT_EQ(printed.size(), start.size() + 1) << label;
    }
    if (got.code != 0) {
      EXPECT_EQ(std::vector<std::string>(printed.begin(), printed.begin() + std::min(printed.size(), start.size())),
                start) << label;
    }
    // A refusal writes exactly one failure record, naming the export and the code.
    const std::vector<std::string> failures = lastCase_.failures();
    if (silent) {
      EXPECT_EQ(lastCase_.calls(), callsBefore) << label;
    } else if (!got.raises && got.code != 0 && failures.size() == 1) {
      EXPECT_EQ(failures[0].rfind(talmeq::test::failurePrefix(exportName, got.code) + " at ", 0), 0u) << label;
    } else {
      EXPECT_EQ(failures.size(), got.raises || got.code == 0 ? 0u : 1u) << label;
    }
  }

  static void TearDownTestSuite() {
    for (const auto& [name, count] : casesPerExport_) std::cout << name << ": " << count << " bad inputs\n";
  }

  static std::vector<double> heights_;
  static std::vector<cv::Point> coords_;
  static std::string startingFile_, calibratedFile_;
  static cv::Mat stationFrame_, chessFrame_, arucoFrame_;
  static const talmeq::sim::Camera camera_;
  talmeq::test::LogCapture lastCase_;  // what the last case logged
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
// Frames: sizes around the spot detector's smallest window (12 x 14 gives a
// 4 x 4 window, the smallest that can be ranked), channel counts, depths and
// a view into a larger, white frame.
// ---------------------------------------------------------------------------
cv::Mat frameOfKind(const std::string& kind, const cv::Mat& base) {
  for (const cv::Size size : {cv::Size(1, 1), cv::Size(11, 14), cv::Size(12, 13), cv::Size(12, 14)})
    if (kind == std::to_string(size.width) + "x" + std::to_string(size.height))
      return base(cv::Rect(cv::Point(0, 0), size)).clone();
  cv::Mat converted, grey;
  if (kind == "one channel") cv::cvtColor(base, converted, cv::COLOR_BGR2GRAY);
  if (kind == "two channels") {
    cv::cvtColor(base, grey, cv::COLOR_BGR2GRAY);
    cv::merge(std::vector<cv::Mat>{grey, grey}, converted);
  }
  if (kind == "four channels") cv::cvtColor(base, converted, cv::COLOR_BGR2BGRA);
  if (kind == "signed bytes") base.convertTo(converted, CV_8SC3, 0.5);
  if (kind == "16-bit") base.convertTo(converted, CV_16U, 257.0);
  if (kind == "float") base.convertTo(converted, CV_32F, 1.0 / 255.0);
  if (kind == "view") converted = talmeq::test::viewInLargerImage(base, cv::Scalar::all(255));
  return converted;
}

// Per frame kind, the outcome of each export that takes a frame. The
// calibrated window lies far inside the station frame, so small frames do
// not hold it; the chessboard search refuses frames too small for its
// pattern; both corrections take any image cv::remap takes.
struct FrameRow {
  const char* kind;
  Outcome spot, height, chess, markers, corrections;
};
const FrameRow kFrameRows[] = {
    {"empty", code(-2), kThrows, kThrows, kThrows, kThrows},
    {"1x1", code(-2), kThrows, kThrows, code(-1), code(0)},
    {"11x14", code(-2), kThrows, kThrows, code(-1), code(0)},
    {"12x13", code(-2), kThrows, kThrows, code(-1), code(0)},
    {"12x14", code(-1), kThrows, kThrows, code(-1), code(0)},
    {"one channel", kThrows, kThrows, kThrows, code(0), code(0)},
    {"two channels", kThrows, kThrows, kThrows, kThrows, code(0)},
    {"four channels", code(0), code(0), code(0), kThrows, code(0)},
    {"signed bytes", kThrows, kThrows, kThrows, kThrows, kThrows},
    {"16-bit", kThrows, kThrows, kThrows, kThrows, code(0)},
    {"float", kThrows, kThrows, kThrows, kThrows, code(0)},
    {"view", code(0), code(0), code(0), code(0), code(0)},
};

TEST_F(BadInputMatrix, FramesGivenToTheSpotDetectorAndTheHeightMeasurement) {
  const std::string path = folder_.file("station.yml");
  talmeq::test::writeText(path, calibratedFile_);
  cv::Point onBase;
  ASSERT_EQ(getSpotCoord(stationFrame_, onBase), 0);
  for (const FrameRow& row : kFrameRows) {
    const std::string kind = row.kind;
    const cv::Mat frame = frameOfKind(kind, stationFrame_);
    cv::Point coord(3, 3);
    expectCase("getSpotCoord, " + kind, [&] { return getSpotCoord(frame, coord); }, row.spot);
    // A found spot is where it is in the plain frame; otherwise the coordinates are reset.
    EXPECT_EQ(coord, row.spot == code(0) ? onBase : cv::Point(0, 0)) << kind;
    double h = 1.0, z = 2.0;
    expectCase("getPlaneHeightByLinear, " + kind, [&] { return getPlaneHeightByLinear(frame, path, h, z); },
               row.height);
    if (row.height.raises) { EXPECT_TRUE(h == 1.0 && z == 2.0) << kind; }
  }
}

TEST_F(BadInputMatrix, FramesGivenToTheCameraExports) {
  for (const FrameRow& row : kFrameRows) {
    const std::string kind = row.kind;
    const cv::Mat chessFrame = frameOfKind(kind, chessFrame_);
    cv::Mat camera, dist = cv::Mat::ones(1, 5, CV_64F), corrected;
    expectCase("calibChess, " + kind, [&] { return calibChess(chessFrame, camera, dist); }, row.chess);
    if (row.chess.raises) { EXPECT_EQ(cv::sum(dist)[0], 5.0) << kind; }
    const cv::Mat arucoFrame = frameOfKind(kind, arucoFrame_);
    std::vector<int> ids;
    Markers corners;
    expectCase("getArucoCorners, " + kind, [&] { return getArucoCorners(arucoFrame, ids, corners); },
               row.markers);
    expectCase("undistAruco, " + kind, [&] {
      return undistAruco(chessFrame, camera_.matrix(), camera_.distortion(), {64, 48}, corrected);
    }, row.corrections);
    expectCase("getCorrectImgByThickness, " + kind, [&] {
      return getCorrectImgByThickness(chessFrame, camera_.matrix(), camera_.distortion(), 10.0, corrected);
    }, row.corrections);
  }
}

// ---------------------------------------------------------------------------
// Calibration files and paths.
// ---------------------------------------------------------------------------

// Contents a calibration file may hold after an accident or a hand edit,
// and the outcome of each of the three exports that read it.
struct DamagedFile {
  std::string name, text;
  Outcome calibration, correction, measurement;
};

std::vector<DamagedFile> damagedFiles(const std::string& calibrated) {
  std::string garbage;
  cv::RNG rng(11);
  for (int i = 0; i < 512; ++i) garbage += static_cast<char>(rng.uniform(0, 256));
  const std::string yaml = "%YAML:1.0\n---\n", half = calibrated.substr(0, calibrated.size() / 2);
  return {
      // A file that opens but does not parse is OpenCV's error.
      {"empty", "", kThrows, kThrows, kThrows},
      {"binary garbage", garbage, kThrows, kThrows, kThrows},
      // Found by fuzzing: NUL bytes or an XML processing instruction left
      // open made OpenCV's parser crash on a null pointer.
      {"NUL bytes in an XML header", std::string("<?xml version=") + std::string(99, '\0') +
           "\"1.0\"?>\n<opencv_storage>\n<k>0.25</k><RoI>101 80 060 45</RoI>\n</opencv_storage>\n",
       kThrows, kThrows, kThrows},
      {"zero-filled tail", half + std::string(4096, '\0'), kThrows, kThrows, kThrows},
      {"XML instruction left open", "<?xml version=\"1.0\"?>\n<?xml version=", kThrows, kThrows, kThrows},
      // Found by fuzzing: sent OpenCV's parser into an endless loop.
      {"text glued to the document marker", "%YAML:1.0\n---)k: .nan\nb: -.inf\n", kThrows, kThrows, kThrows},
      {"text glued to the end marker", "%YAML:1.0\na: 1\n...-\nk: 1\n", kThrows, kThrows, kThrows},
      // Found by fuzzing: sent it into an endless loop, and made it abort the
      // process on a key of negative length.
      {"a key indented less than the first", "%YAML:1..5\n               RoI: [ 00, 8, 060, 9]\nof: -3.\n",
       kThrows, kThrows, kThrows},
      {"a flow mapping entry without a key", "%YAML:1.\nfocusDinitZ:{ :.\"s\":0.1,\"RoI\": n[-0,8an0,230, 9 ].}",
       kThrows, kThrows, kThrows},
      {"the same across a line break", "%YAML:1.t5\nRoI: [{\n  :\"k\". 021000, 5", kThrows, kThrows, kThrows},
      {"the same inside a quoted key", "%YAML:1.\nfocusDin{ \"RoitZ:{ :.\"s\".\"RoI\": [121,80, 12:0.1]\n}",
       kThrows, kThrows, kThrows},
      // Half a file has no "dist", and its window is gone.
      {"truncated", half, code(-2), code(0), code(-1)},
      // Other formats are read by their content; the rewrite is YAML.
      {"JSON", "{\n  \"k\": 1.0, \"scale\": 0.1, \"dist\": 300.0, \"initZ\": -31.0, \"RoI\": [500, 500, 200, 150]\n}\n",
       code(0), code(0), code(-3)},
      {"XML", "<?xml version=\"1.0\"?>\n<opencv_storage>\n<k>1.</k><scale>0.1</scale><dist>300.</dist>\n"
              "<RoI>500 500 200 150</RoI></opencv_storage>\n", code(0), code(0), code(-3)},
      // Mistyped reals read as cv::read gives them, a mistyped "RoI" as empty.
      {"wrong key types", yaml + "k: \"steep\"\nscale: [ 1, 2 ]\ndist: { a: 1 }\nRoI: \"all of it\"\n", code(0),
       code(0), code(-1)},
      // Windows at or beyond the int range lie outside every image.
      {"integers beyond int", yaml + "dist: 300.\nRoI: [ 99999999999, -99999999999, 10, 10 ]\n", code(-1), code(0),
       kThrows},
      // Non-finite values pass through the fit and the height, and NaN
      // fails neither the error limit nor the height range.
      {"huge numbers", yaml + "k: 1e308\nb: -1e308\nscale: 1e308\ndist: 1e-308\ninitialX: 1e300\n"
                              "RoI: [ 2147483647, 2147483647, 2147483647, 2147483647 ]\n", code(0), code(0), kThrows},
      {"non-finite numbers", yaml + "k: .nan\nb: .inf\nscale: -.inf\ndist: .nan\ninitZ: .inf\noffsetX: .nan\n"
                                    "RoI: [ 500, 500, 200, 150 ]\n", code(0), code(0), code(0)},
      // Without a reference distance no window can be computed.
      {"zero distance", yaml + "k: 1.\nscale: 1.\ndist: 0.\ninitZ: -10.\n", code(-2), code(0), code(-1)},
      {"no distance", yaml + "k: 1.\nscale: 1.\ninitZ: -10.\n", code(-2), code(0), code(-1)},
      {"RoI outside the frame", yaml + "k: 1.\nscale: 0.1\ndist: 300.\nRoI: [ 1200, 1000, 200, 150 ]\n", code(0),
       code(0), kThrows},
      {"RoI of negative size", yaml + "k: 1.\nscale: 0.1\ndist: 300.\nRoI: [ 700, 600, -200, 150 ]\n", code(0),
       code(0), kThrows},
  };
}

TEST_F(BadInputMatrix, DamagedCalibrationFiles) {
  const std::string path = folder_.file("cal.yml");
  for (const DamagedFile& e : damagedFiles(calibratedFile_)) {
    const std::string &name = e.name, &text = e.text;
    const auto rewrittenOn = [&](Outcome o) { return o.raises || o.code == -2 ? "" : "cal.yml"; };
    double h = 1.0, z = 2.0;
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
    if (e.measurement.raises) { EXPECT_TRUE(h == 1.0 && z == 2.0) << name; }
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
    EXPECT_TRUE(h == 1.0 && z == 2.0) << name;
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
}

// Camera matrices and coefficients the corrections cannot use, and output
// sizes undistAruco cannot make. Non-finite numbers are no better than
// unusable ones; an empty camera matrix once crashed inside both.
TEST_F(BadInputMatrix, CameraParametersForTheCorrections) {
  const cv::Mat camera = camera_.matrix(), dist = camera_.distortion();
  cv::Mat nanCamera = camera.clone(), infDistortion = dist.clone(), byteCamera;
  nanCamera.at<double>(0, 0) = kNaN;
  infDistortion.at<double>(0, 0) = kInf;
  camera.convertTo(byteCamera, CV_8U);
  struct Row {
    std::string name;
    cv::Mat camera, dist;
    cv::Size size;
    Outcome undistortion, thickness;
  };
  const Row rows[] = {
      {"NaN focal length", nanCamera, dist, {64, 48}, code(0), code(0)},
      {"infinite distortion", camera, infDistortion, {64, 48}, code(0), code(0)},
      {"empty output size", camera, dist, {0, 0}, kThrows, code(0)},
      {"negative output size", camera, dist, {-5, 48}, kThrows, code(0)},
      {"empty camera matrix", cv::Mat(), dist, {64, 48}, kThrows, kThrows},
      {"2x3 camera matrix", camera.rowRange(0, 2).clone(), dist, {64, 48}, kThrows, kThrows},
      {"byte camera matrix", byteCamera, dist, {64, 48}, kThrows, kThrows},
      {"three distortion coefficients", camera, cv::Mat::zeros(1, 3, CV_64F), {64, 48}, kThrows, kThrows},
      {"no distortion coefficients", camera, cv::Mat(), {64, 48}, code(0), code(0)},
  };
  for (const Row& r : rows) {
    cv::Mat corrected;
    expectCase("undistAruco, " + r.name,
               [&] { return undistAruco(chessFrame_, r.camera, r.dist, r.size, corrected); }, r.undistortion);
    expectCase("getCorrectImgByThickness, " + r.name,
               [&] { return getCorrectImgByThickness(chessFrame_, r.camera, r.dist, 1.0, corrected); },
               r.thickness);
  }
}

// The region locator with regions that do not lie inside the image
// (overflowing ones included): OpenCV's error, nothing logged.
TEST_F(BadInputMatrix, RegionsOutsideTheImageGivenToTheLocator) {
  const cv::Mat scene(200, 200, CV_8UC3, cv::Scalar::all(40));
  const cv::Rect regions[] = {{-1, 0, 50, 50},         {0, -1, 50, 50},           {160, 0, 41, 50},
                              {0, 160, 50, 41},        {50, 50, -10, 20},         {50, 50, 20, -10},
                              {INT_MAX - 5, 0, 10, 10}, {0, INT_MAX - 5, 10, 10}, {100, 100, INT_MAX, 5}};
  for (const cv::Rect& roi : regions) {
    cv::Point spot(7, 7);
    EXPECT_TRUE(outcomeOf([&] { return getSpotCoordInRoI(scene, roi, spot); }) == kThrows) << roi;
  }
  EXPECT_EQ(lastCase_.calls(), 0);
}

// The locator and the measurement never log on their way: an OpenCV error
// turned into a text exception comes back as -999 without a failure record,
// and the outputs stay as they were.
TEST_F(BadInputMatrix, TextExceptionsInsideTheMeasurementGiveMinus999WithoutRecord) {
  const std::string path = folder_.file("station.yml");
  talmeq::test::writeYaml(path, "k: 1.\ndist: 100.\nscale: 1.\nRoI: [ 150, 150, 60, 60 ]\n");
  const cv::Mat scene(200, 200, CV_8UC3, cv::Scalar::all(40)), grey(200, 200, CV_8UC1, cv::Scalar(0));
  const talmeq::test::CvErrorsAsText textErrors;
  cv::Point spot(5, 5);
  EXPECT_EQ(getSpotCoordInRoI(scene, {150, 150, 60, 60}, spot), -999);
  EXPECT_EQ(spot, cv::Point(0, 0));
  for (const cv::Mat& image : {scene, grey}) {  // a window beyond the image; no grey conversion
    double h = 1.0, z = 2.0;
    EXPECT_EQ(getPlaneHeightByLinear(image, path, h, z), -999);
    EXPECT_TRUE(h == 1.0 && z == 2.0);
  }
  EXPECT_EQ(lastCase_.calls(), 0);
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
      {"no identifier lists", {corners, corners}, {}, size, code(-2)},
      {"a view without identifiers", {corners, corners}, {ids, {}}, size, code(-2)},
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
    cv::Mat camera = cv::Mat::eye(3, 3, CV_64F), dist = cv::Mat::ones(1, 5, CV_64F);
    const uchar* cameraData = camera.data;
    expectCase("calibAruco, " + c.name, [&] { return calibAruco(c.allCorners, c.allIds, c.size, camera, dist); },
               c.expected);
    if (c.expected.raises || c.expected.code == 0) continue;
    // Refused lists: only the failure record, the outputs untouched.
    EXPECT_TRUE(camera.data == cameraData && cv::countNonZero(camera != cv::Mat::eye(3, 3, CV_64F)) == 0);
    EXPECT_EQ(cv::sum(dist)[0], 5.0) << c.name;
    const std::vector<std::string> printed = lastCase_.printed();
    ASSERT_EQ(printed.size(), 1u) << c.name;
    EXPECT_EQ(printed[0].rfind(talmeq::test::failurePrefix("calibAruco", c.expected.code) + " at ", 0), 0u)
        << c.name;
  }
}

}  // namespace
