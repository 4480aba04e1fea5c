// Hostile inputs for the exports: calibration files that are empty, cut
// short, garbage, in another format, mistyped, huge or non-finite, and paths
// that name no readable file; point lists that cannot be fitted; camera
// matrices the corrections refuse; regions that do not lie inside the image;
// marker lists that do not pair up. Every case names the
// outcome it expects (a result code or cv::Exception) and what it logs, and
// no calibration file in the scratch folder may be damaged by it: each stays
// byte for byte as it was, except the one a successful call rewrites, which
// must then hold a complete calibration.
#include <simulatedStation.h>
#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include <array>
#include <cmath>
#include <map>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

namespace fs = std::filesystem;
using talmeq::test::readText;

// What a case expects: a result code, or OpenCV's error.
struct Outcome {
  bool raises;
  int code;
  bool operator==(const Outcome& o) const { return raises == o.raises && code == o.code; }
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
    if (entry.is_regular_file())
      files[entry.path().lexically_relative(folder).string()] = readText(entry.path().string());
  return files;
}

// The station's calibration series, its files and a frame, prepared once
// (the suite runs in one process).
class BadInputMatrix : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    talmeq::test::LogCapture quiet;
    const talmeq::sim::Station station;
    for (double h : heights_) {
      coords_.emplace_back();
      getSpotCoord(talmeq::sim::stationFrame(station, h, 7), coords_.back());
    }
    const std::string path = (fs::temp_directory_path() / ("talmeq-matrix-" + std::to_string(getpid()))).string();
    talmeq::sim::writeStartingCalibration(station, path);
    startingFile_ = readText(path);
    getCalibrationParamByLinear(heights_, coords_, path);
    calibratedFile_ = readText(path);
    fs::remove(path);
    stationFrame_ = talmeq::sim::stationFrame(station, 15.0, 3);
  }

  void SetUp() override { talmeq::test::writeText(folder_.file("other.yml"), calibratedFile_); }  // a bystander

  // Runs one case, labelled "<export>, <case>": the outcome, what it logged,
  // and every file in the folder undamaged. `rewritten` names the file a
  // call is expected to replace, if any.
  void expectCase(const std::string& label, const std::function<int()>& call, Outcome expected,
                  const std::string& rewritten = "") {
    const auto before = snapshot(folder_.path());
    Outcome got = kThrows;
    talmeq::test::LogCapture log;
    try {
      got = code(call());
    } catch (const cv::Exception&) {
    }
    EXPECT_EQ(got, expected) << label;
    // OpenCV's error passes through: nothing logged but the start message.
    // A refusal logs its start message, then one failure record naming
    // the export and the code (-2 before anything else, except that the
    // spot detector names an empty image first). The measurement and its
    // locator never log.
    const std::string name = label.substr(0, label.find(','));
    std::vector<std::string> printed = log.printed(), start;
    if (name == "getSpotCoord" || name == "getCalibrationParamByLinear" || name == "correctYml")
      start = {name + ": start! 2025_09_29_V1.8.0"};
    if (name == "getCorrectImgByThickness") start = {"getCorrectImg: start!"};
    if (name == "getPlaneHeightByLinear" || name == "getSpotCoordInRoI") {
      EXPECT_EQ(log.calls(), 0) << label;
    } else if (got.raises) {
      EXPECT_EQ(printed, start) << label;
    } else if (got.code != 0) {
      EXPECT_EQ(log.failures(), std::vector<std::string>{printed.back()}) << label;
      EXPECT_EQ(printed.back().rfind(talmeq::test::failurePrefix(name, got.code) + " at ", 0), 0u) << label;
      EXPECT_TRUE(std::equal(start.begin(), start.end(), printed.begin())) << label;
      if (got.code == -2 && name != "getSpotCoord") {
        EXPECT_EQ(printed.size(), start.size() + 1) << label;
      }
    }
    const auto after = snapshot(folder_.path());
    for (const auto& [file, bytes] : before) {
      ASSERT_EQ(after.count(file), 1u) << label << ": " << file << " vanished";
      if (file == rewritten) {
        EXPECT_TRUE(talmeq::test::holdsElevenKeysInOrder(folder_.file(file))) << label;
      } else {
        EXPECT_EQ(after.at(file), bytes) << label << ": " << file << " changed";
      }
    }
    EXPECT_EQ(after.size(), before.size() + (rewritten.empty() || before.count(rewritten) ? 0 : 1)) << label;
  }

  // The three exports that read a calibration file, on `path` (rewritten
  // with `text` before each call, when given). A call that neither raises
  // nor refuses (-2) rewrites the file; a measurement that gives no height
  // leaves its outputs as they were.
  void expectReaders(const std::string& name, const std::string& path, const std::string* text,
                     const std::array<Outcome, 3>& expected) {
    double h = 1.0, z = 2.0;
    const std::function<int()> calls[] = {[&] { return getCalibrationParamByLinear(heights_, coords_, path); },
                                          [&] { return correctYml(-2.0, 1.5, path); },
                                          [&] { return getPlaneHeightByLinear(stationFrame_, path, h, z); }};
    const char* exports[] = {"getCalibrationParamByLinear, ", "correctYml, ", "getPlaneHeightByLinear, "};
    for (int i = 0; i < 3; ++i) {
      if (text) talmeq::test::writeText(path, *text);
      const bool rewrites = i < 2 && !expected[i].raises && expected[i].code != -2;
      expectCase(exports[i] + name, calls[i], expected[i], rewrites ? fs::path(path).filename().string() : "");
    }
    if (expected[2].raises || expected[2].code == -2) {
      EXPECT_TRUE(h == 1.0 && z == 2.0) << name;
    }
  }

  static inline const std::vector<double> heights_ = {0.0, 10.0, 20.0, 30.0};
  static inline std::vector<cv::Point> coords_;
  static inline std::string startingFile_, calibratedFile_;
  static inline cv::Mat stationFrame_;
  talmeq::test::ScratchFolder folder_;
};

// Contents a calibration file may hold after an accident or a hand edit,
// and the outcome of each of the three exports that read it.
struct DamagedFile {
  std::string name, text;
  std::array<Outcome, 3> calibrationCorrectionMeasurement;
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
      {"NUL bytes in an XML header",
       std::string("<?xml version=") + std::string(99, '\0') +
           "\"1.0\"?>\n<opencv_storage>\n<k>0.25</k><RoI>101 80 060 45</RoI>\n</opencv_storage>\n",
       kThrows, kThrows, kThrows},
      {"zero-filled tail", half + std::string(4096, '\0'), kThrows, kThrows, kThrows},
      {"XML instruction left open", "<?xml version=\"1.0\"?>\n<?xml version=", kThrows, kThrows, kThrows},
      // Found by fuzzing: sent OpenCV's parser into an endless loop.
      {"text glued to the document marker", "%YAML:1.0\n---)k: .nan\nb: -.inf\n", kThrows, kThrows, kThrows},
      {"text glued to the end marker", "%YAML:1.0\na: 1\n...-\nk: 1\n", kThrows, kThrows, kThrows},
      // Found by fuzzing: sent it into an endless loop, and made it abort the
      // process on a key of negative length.
      {"a key indented less than the first", "%YAML:1..5\n               RoI: [ 00, 8, 060, 9]\nof: -3.\n", kThrows,
       kThrows, kThrows},
      {"a flow mapping entry without a key", "%YAML:1.\nfocusDinitZ:{ :.\"s\":0.1,\"RoI\": n[-0,8an0,230, 9 ].}",
       kThrows, kThrows, kThrows},
      {"the same across a line break", "%YAML:1.t5\nRoI: [{\n  :\"k\". 021000, 5", kThrows, kThrows, kThrows},
      {"the same inside a quoted key", "%YAML:1.\nfocusDin{ \"RoitZ:{ :.\"s\".\"RoI\": [121,80, 12:0.1]\n}", kThrows,
       kThrows, kThrows},
      // Half a file has no "dist", and its window is gone.
      {"truncated", half, code(-2), code(0), code(-1)},
      // Other formats are read by their content; the rewrite is YAML.
      {"JSON", "{\n  \"k\": 1.0, \"scale\": 0.1, \"dist\": 300.0, \"initZ\": -31.0, \"RoI\": [500, 500, 200, 150]\n}\n",
       code(0), code(0), code(-3)},
      {"XML",
       "<?xml version=\"1.0\"?>\n<opencv_storage>\n<k>1.</k><scale>0.1</scale><dist>300.</dist>\n"
       "<RoI>500 500 200 150</RoI></opencv_storage>\n",
       code(0), code(0), code(-3)},
      // Mistyped reals read as cv::read gives them, a mistyped "RoI" as empty.
      {"wrong key types", yaml + "k: \"steep\"\nscale: [ 1, 2 ]\ndist: { a: 1 }\nRoI: \"all of it\"\n", code(0),
       code(0), code(-1)},
      // Windows at or beyond the int range lie outside every image.
      {"integers beyond int", yaml + "dist: 300.\nRoI: [ 99999999999, -99999999999, 10, 10 ]\n", code(-1), code(0),
       kThrows},
      // Non-finite values pass through the fit and the height, and NaN
      // fails neither the error limit nor the height range.
      {"huge numbers",
       yaml + "k: 1e308\nb: -1e308\nscale: 1e308\ndist: 1e-308\ninitialX: 1e300\n"
              "RoI: [ 2147483647, 2147483647, 2147483647, 2147483647 ]\n",
       code(0), code(0), kThrows},
      {"non-finite numbers",
       yaml + "k: .nan\nb: .inf\nscale: -.inf\ndist: .nan\ninitZ: .inf\noffsetX: .nan\n"
              "RoI: [ 500, 500, 200, 150 ]\n",
       code(0), code(0), code(0)},
      // Without a reference distance no window can be computed.
      {"zero distance", yaml + "k: 1.\nscale: 1.\ndist: 0.\ninitZ: -10.\n", code(-2), code(0), code(-1)},
      {"no distance", yaml + "k: 1.\nscale: 1.\ninitZ: -10.\n", code(-2), code(0), code(-1)},
      {"RoI outside the frame", yaml + "k: 1.\nscale: 0.1\ndist: 300.\nRoI: [ 1200, 1000, 200, 150 ]\n", code(0),
       code(0), kThrows},
      {"RoI of negative size", yaml + "k: 1.\nscale: 0.1\ndist: 300.\nRoI: [ 700, 600, -200, 150 ]\n", code(0), code(0),
       kThrows},
  };
}

TEST_F(BadInputMatrix, DamagedCalibrationFiles) {
  for (const DamagedFile& e : damagedFiles(calibratedFile_))
    expectReaders(e.name, folder_.file("cal.yml"), &e.text, e.calibrationCorrectionMeasurement);
}

// Paths that do not name a readable calibration file: nothing is created.
TEST_F(BadInputMatrix, PathsThatNameNoReadableFile) {
  talmeq::test::writeText(folder_.file("plain.yml"), calibratedFile_);
  fs::create_directories(folder_.file("folder.yml"));
  const std::pair<const char*, std::string> paths[] = {{"missing file", folder_.file("absent.yml")},
                                                       {"directory", folder_.file("folder.yml")},
                                                       {"file used as a folder", folder_.file("plain.yml/cal.yml")},
                                                       {"missing folder", folder_.file("nowhere/cal.yml")},
                                                       {"empty path", ""}};
  for (const auto& [name, path] : paths) expectReaders(name, path, nullptr, {code(-2), code(-2), code(-2)});
  EXPECT_FALSE(fs::exists(folder_.file("nowhere")));
}

TEST_F(BadInputMatrix, CalibrationPointListsAndShifts) {
  const std::string path = folder_.file("cal.yml");
  const double nan = std::nan(""), inf = HUGE_VAL;
  const struct {
    std::string name;
    std::vector<double> heights;
    std::vector<cv::Point> coords;
    Outcome expected;
  } cases[] = {{"empty lists", {}, {}, code(-2)},
               {"fewer points than heights", heights_, {coords_.begin(), coords_.end() - 1}, code(-2)},
               {"two points", {0.0, 30.0}, {coords_.front(), coords_.back()}, code(-2)},
               {"NaN height", {0.0, nan, 20.0, 30.0}, coords_, code(-2)},
               {"infinite height", {0.0, 10.0, 20.0, inf}, coords_, code(-2)},
               {"equal first and last heights", {5.0, 10.0, 20.0, 5.0}, coords_, code(-2)},
               {"coordinates at the int limits", heights_, std::vector<cv::Point>(4, {INT_MAX, INT_MIN}), code(-1)}};
  for (const auto& c : cases) {
    talmeq::test::writeText(path, startingFile_);
    const auto fit = [&] { return getCalibrationParamByLinear(c.heights, c.coords, path); };
    expectCase("getCalibrationParamByLinear, " + c.name, fit, c.expected, c.expected.code == -2 ? "" : "cal.yml");
  }
  // The shift is not checked: the file is rewritten whole, "initZ" not finite.
  talmeq::test::writeText(path, calibratedFile_);
  const auto correct = [&] { return correctYml(nan, 0.0, path); };
  expectCase("correctYml, NaN shift", correct, code(0), "cal.yml");
}

// Only 3 x 3 camera matrices of doubles or floats are read (an empty one
// once crashed inside both corrections).
TEST_F(BadInputMatrix, CameraMatricesTheCorrectionsRefuse) {
  const cv::Mat camera = cv::Mat::eye(3, 3, CV_64F), image(240, 320, CV_8UC3);
  cv::Mat bytes, corrected;
  camera.convertTo(bytes, CV_8U);
  for (const auto& [name, given] :
       {std::pair{", empty", cv::Mat()}, {", 2x3", camera.rowRange(0, 2)}, {", bytes", bytes}}) {
    const cv::Mat& matrix = given;  // a plain reference: lambdas cannot capture structured bindings before C++20
    const auto undistort = [&] { return undistAruco(image, matrix, {}, {64, 48}, corrected); };
    const auto thickness = [&] { return getCorrectImgByThickness(image, matrix, {}, 1.0, corrected); };
    expectCase(std::string("undistAruco") + name, undistort, kThrows);
    expectCase(std::string("getCorrectImgByThickness") + name, thickness, kThrows);
  }
}

// Regions that do not lie inside the image, overflowing ones included.
TEST_F(BadInputMatrix, RegionsOutsideTheImageGivenToTheLocator) {
  const cv::Mat scene(200, 200, CV_8UC3, cv::Scalar::all(40));
  for (const cv::Rect roi : {cv::Rect(-1, 0, 50, 50),
                             {0, -1, 50, 50},
                             {160, 0, 41, 50},
                             {0, 160, 50, 41},
                             {50, 50, -10, 20},
                             {50, 50, 20, -10},
                             {INT_MAX - 5, 0, 10, 10},
                             {0, INT_MAX - 5, 10, 10},
                             {100, 100, INT_MAX, 5}}) {
    cv::Point spot;
    const auto locate = [&] { return talmeq::detail::getSpotCoordInRoI(scene, roi, spot); };
    expectCase("getSpotCoordInRoI, " + std::to_string(roi.x), locate, kThrows);
  }
}

// Marker lists that do not pair up are refused before any work, the
// outputs untouched.
TEST_F(BadInputMatrix, MarkerListsForTheArucoCalibration) {
  using Markers = std::vector<std::vector<cv::Point2f>>;
  const Markers two(2, std::vector<cv::Point2f>(4, {10, 10}));
  const std::vector<int> ids = {0, 1};
  const struct {
    std::string name;
    std::vector<Markers> allCorners;
    std::vector<std::vector<int>> allIds;
  } cases[] = {{"fewer identifier lists than views", {two, two}, {ids}},
               {"no identifier lists", {two}, {}},
               {"a view without identifiers", {two, two}, {ids, {}}},
               {"fewer identifiers than markers", {two}, {{0}}},
               {"a marker with three corners", {{two[0], {{1, 1}, {2, 2}, {3, 3}}}}, {ids}},
               {"a marker with five corners", {Markers(2, std::vector<cv::Point2f>(5))}, {ids}}};
  for (const auto& c : cases) {
    cv::Mat camera = cv::Mat::eye(3, 3, CV_64F), dist = cv::Mat::ones(1, 5, CV_64F);
    const uchar* cameraData = camera.data;
    const auto calibrate = [&] { return calibAruco(c.allCorners, c.allIds, {640, 480}, camera, dist); };
    expectCase("calibAruco, " + c.name, calibrate, code(-2));
    EXPECT_TRUE(camera.data == cameraData && cv::countNonZero(camera != cv::Mat::eye(3, 3, CV_64F)) == 0) << c.name;
    EXPECT_EQ(cv::sum(dist)[0], 5.0) << c.name;
  }
}

}  // namespace
