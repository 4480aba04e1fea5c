// All nine exports from eight threads at once, each thread on its own
// calibration file, all through the shared default logger (standard output
// and a rotating log file): every result equals the result of the same work
// run alone, and every line of the log file and of standard output is one
// whole log entry, none lost or doubled.
#include <talmeqAlgorithm.h>

#include <iomanip>
#include <map>
#include <regex>
#include <thread>

#include "arucoApi.h"
#include "calibrationFiles.h"
#include "datasetWriter.h"
#include "environment.h"

namespace {

namespace fs = std::filesystem;
namespace sim = talmeq::sim;
using talmeq::test::readLines;
using Markers = std::vector<std::vector<cv::Point2f>>;

constexpr int kThreads = 8, kRounds = 2;

// The logger configures itself on first use, so the log file is named
// before anything in this process logs.
const fs::path kLogFile = fs::temp_directory_path() / ("talmeq-concurrency-" + std::to_string(getpid()) + ".log");
const bool kLogFileNamed = [] {
  fs::remove(kLogFile);
  return talmeq::test::setEnvironment("TALMEQ_LOG_FILE", kLogFile.string().c_str());
}();

// The inputs every thread shares (read only).
struct Inputs {
  sim::Station station;
  sim::Camera camera = sim::datasetCamera();
  std::vector<double> heights{0.0, 10.0, 20.0, 30.0};
  std::vector<cv::Mat> heightFrames, arucoImages;
  cv::Mat measureFrame, chessImage;
  std::vector<Markers> allCorners;
  std::vector<std::vector<int>> allIds;
};

const Inputs& inputs() {
  static const Inputs shared = [] {
    Inputs in;
    for (double h : in.heights) in.heightFrames.push_back(sim::stationFrame(in.station, h, 10));
    in.measureFrame = sim::stationFrame(in.station, 15.0, 99);
    const sim::Target chess = sim::chessboardTarget(),
                      board = sim::arucoBoardTarget(talmeq::detail::aruco_api::kDict6x6_250);
    in.chessImage = sim::renderView(chess, in.camera, sim::datasetChessPose(chess)).image;
    const auto poses = sim::datasetArucoPoses(board);
    for (const sim::View& view : sim::renderViews(board, in.camera, {poses[1], poses[3], poses[5]})) {
      in.arucoImages.push_back(view.image);
      in.allIds.emplace_back(), in.allCorners.emplace_back();
      getArucoCorners(view.image, in.allIds.back(), in.allCorners.back());
    }
    return in;
  }();
  return shared;
}

// One round of the nine exports with the inputs of thread `t`, from a fresh
// calibration file: the twelve result codes, then the outputs as text.
std::pair<std::string, std::string> runAllExports(int t, const std::string& path) {
  const Inputs& in = inputs();
  std::ostringstream codes, values;
  sim::writeStartingCalibration(in.station, path);
  std::vector<cv::Point> spots(in.heightFrames.size());
  for (std::size_t i = 0; i < spots.size(); ++i) codes << getSpotCoord(in.heightFrames[i], spots[i]) << ' ';
  double height = 0.0, axisZ = 0.0;
  std::vector<int> ids;
  Markers corners;
  cv::Mat chessCamera, chessDist, arucoCamera, arucoDist, undistorted, thick;
  const std::size_t view = static_cast<std::size_t>(t) % 3, next = (view + 1) % 3;
  codes << getCalibrationParamByLinear(in.heights, spots, path) << ' ' << correctYml(0.0, 0.25 * t - 1.0, path) << ' '
        << getPlaneHeightByLinear(in.measureFrame, path, height, axisZ) << ' '
        << calibChess(in.chessImage, chessCamera, chessDist) << ' '
        << getArucoCorners(in.arucoImages[view], ids, corners) << ' '
        << calibAruco({in.allCorners[view], in.allCorners[next]}, {in.allIds[view], in.allIds[next]}, in.camera.size,
                      arucoCamera, arucoDist)
        << ' '
        << undistAruco(in.chessImage, in.camera.matrix(), in.camera.distortion(), {320 + 8 * t, 240}, undistorted)
        << ' ' << getCorrectImgByThickness(in.chessImage, in.camera.matrix(), in.camera.distortion(), 2.0 * t, thick);
  values << std::setprecision(17) << cv::Mat(spots) << height << ' ' << axisZ << cv::Mat(ids)
         << talmeq::test::readText(path);
  for (const auto& marker : corners) values << cv::Mat(marker);
  for (const cv::Mat& m : {chessCamera, chessDist, arucoCamera, arucoDist, undistorted, thick})  // all continuous
    values << m.type() << m.size() << std::hash<std::string>()(std::string(m.datastart, m.dataend)) << ' ';
  return {codes.str(), values.str()};
}

// The later rounds must log exactly the first round's entries, each
// kRounds times over: every line one whole entry of the default layout
// (time stamp, priority, message), nothing torn, merged, lost or doubled.
void expectWholeRepeatedEntries(const std::vector<std::string>& lines, std::size_t firstRound, const char* what) {
  ASSERT_GT(firstRound, 0u) << what << ": nothing logged";
  ASSERT_EQ(lines.size(), firstRound * (1 + kRounds)) << what;
  static const std::regex entry(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (INFO |ERROR) (.+))");
  std::map<std::string, int> serial, concurrent;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, entry)) << what << ": " << lines[i];
    ++(i < firstRound ? serial : concurrent)[match[1].str() + match[2].str()];
  }
  for (auto& [message, count] : serial) count *= kRounds;
  EXPECT_EQ(concurrent, serial) << what;
}

TEST(Concurrency, EightThreadsGiveTheSerialResultsAndWholeLogLines) {
  ASSERT_TRUE(kLogFileNamed);
  talmeq::test::ScratchFolder folder;
  const std::string printed = folder.file("stdout.log");
  std::vector<std::pair<std::string, std::string>> serial;
  std::vector<std::vector<std::pair<std::string, std::string>>> concurrent(kThreads);
  inputs();
  ASSERT_TRUE(readLines(kLogFile.string()).empty());  // preparing the inputs logs nothing
  std::fflush(stdout);
  const int savedStdout = dup(STDOUT_FILENO);  // standard output to a file meanwhile
  FILE* file = std::fopen(printed.c_str(), "w");
  dup2(fileno(file), STDOUT_FILENO);
  std::fclose(file);
  for (int t = 0; t < kThreads; ++t) serial.push_back(runAllExports(t, folder.file(std::to_string(t))));
  std::cout.flush();
  const std::size_t serialFileLines = readLines(kLogFile.string()).size(),
                    serialPrintedLines = readLines(printed).size();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) concurrent[t].push_back(runAllExports(t, folder.file(std::to_string(t))));
    });
  for (std::thread& thread : threads) thread.join();
  std::cout.flush();
  dup2(savedStdout, STDOUT_FILENO);
  close(savedStdout);
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(serial[t].first, "0 0 0 0 0 0 0 0 0 0 0 0") << "the work itself succeeds";
    for (int i = 0; i < kRounds; ++i) EXPECT_EQ(concurrent[t][i], serial[t]) << "thread " << t << ", round " << i;
  }
  expectWholeRepeatedEntries(readLines(kLogFile.string()), serialFileLines, "log file");
  expectWholeRepeatedEntries(readLines(printed), serialPrintedLines, "standard output");
  std::error_code ignored;
  fs::remove(kLogFile, ignored);  // on Windows the logger still holds it open
}

}  // namespace
