// All nine exports from eight threads at once, each thread on its own
// calibration file, all through the shared default logger (standard output
// and a rotating log file): every result equals the result of the same work
// run alone, and every line of the log file and of standard output is one
// whole log entry.
#include <gtest/gtest.h>

#include <opencv2/aruco.hpp>

#include <station.h>
#include <talmeqAlgorithm.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "calibrationFiles.h"
#include "calibrationScenes.h"

namespace {

namespace fs = std::filesystem;
using talmeq::test::readLines;
using Markers = std::vector<std::vector<cv::Point2f>>;

constexpr int kThreads = 8;
constexpr int kIterations = 2;

// The logger configures itself from the environment on its first use, so the
// log file is named before anything in this process logs.
const fs::path kLogFile = fs::temp_directory_path() / ("talmeq-concurrency-" + std::to_string(getpid()) + ".log");
const bool kLogFileNamed = [] {
  fs::remove(kLogFile);
  return setenv("TALMEQ_LOG_FILE", kLogFile.c_str(), 1) == 0;
}();

// The inputs every thread shares (read only).
struct Inputs {
  talmeq::sim::Station station;
  std::vector<double> heights{0.0, 10.0, 20.0, 30.0};
  std::vector<cv::Mat> heightFrames;
  cv::Mat measureFrame;
  cv::Mat chessImage;
  std::vector<cv::Mat> arucoImages;
  std::vector<Markers> allCorners;
  std::vector<std::vector<int>> allIds;
  talmeq::sim::Camera camera = talmeq::test::distortedCamera();
};

const Inputs& inputs() {
  static const Inputs shared = [] {
    Inputs in;
    for (std::size_t i = 0; i < in.heights.size(); ++i)
      in.heightFrames.push_back(talmeq::sim::stationFrame(in.station, in.heights[i], 10 + i));
    in.measureFrame = talmeq::sim::stationFrame(in.station, 15.0, 99);
    const talmeq::sim::Target chess = talmeq::sim::chessboardTarget();
    in.chessImage = talmeq::sim::renderView(chess, in.camera, talmeq::test::chessPose(chess)).image;
    const talmeq::sim::Target board = talmeq::sim::arucoBoardTarget(cv::aruco::DICT_6X6_250);
    const auto poses = talmeq::test::arucoPoses(board);
    for (const auto& view : talmeq::sim::renderViews(board, in.camera, {poses[1], poses[3], poses[5]})) {
      in.arucoImages.push_back(view.image);
      in.allIds.emplace_back();
      in.allCorners.emplace_back();
      getArucoCorners(view.image, in.allIds.back(), in.allCorners.back());
    }
    return in;
  }();
  return shared;
}

// Everything one round of the nine exports gives back.
struct Outcome {
  std::vector<int> codes;
  std::vector<cv::Point> spots;
  double height = 0.0, axisZ = 0.0;
  std::string calibrationFile;
  std::vector<int> ids;
  Markers corners;
  std::vector<cv::Mat> matrices;  // chess, ArUco, undistorted and thickness outputs
};

template <class T>
std::vector<T> rotated(std::vector<T> list, int by) {
  std::rotate(list.begin(), list.begin() + by % static_cast<int>(list.size()), list.end());
  return list;
}

// One round of all nine exports with the inputs of thread `t`, starting from
// a fresh calibration file at `path`.
Outcome runAllExports(int t, const std::string& path) {
  const Inputs& in = inputs();
  Outcome o;
  talmeq::sim::writeStartingCalibration(in.station, path);
  for (const cv::Mat& frame : in.heightFrames) {
    o.spots.emplace_back();
    o.codes.push_back(getSpotCoord(frame, o.spots.back()));
  }
  o.codes.push_back(getCalibrationParamByLinear(in.heights, o.spots, path));
  o.codes.push_back(correctYml(0.0, 0.25 * t - 1.0, path));
  o.codes.push_back(getPlaneHeightByLinear(in.measureFrame, path, o.height, o.axisZ));
  o.calibrationFile = talmeq::test::readText(path);

  cv::Mat chessCamera, chessDist, arucoCamera, arucoDist, undistorted, thick;
  o.codes.push_back(calibChess(in.chessImage, chessCamera, chessDist));
  o.codes.push_back(getArucoCorners(in.arucoImages[t % in.arucoImages.size()], o.ids, o.corners));
  o.codes.push_back(
      calibAruco(rotated(in.allCorners, t), rotated(in.allIds, t), in.camera.size, arucoCamera, arucoDist));
  const cv::Size undistortedSize(320 + 8 * t, 240);
  o.codes.push_back(undistAruco(in.chessImage, in.camera.matrix(), in.camera.distortion(), undistortedSize,
                                undistorted));
  o.codes.push_back(
      getCorrectImgByThickness(in.chessImage, in.camera.matrix(), in.camera.distortion(), 2.0 * t, thick));
  o.matrices = {chessCamera, chessDist, arucoCamera, arucoDist, undistorted, thick};
  return o;
}

bool sameMatrix(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && (a.empty() || cv::norm(a, b, cv::NORM_INF) == 0.0);
}

void expectSameOutcome(const Outcome& got, const Outcome& serial, const std::string& label) {
  EXPECT_EQ(got.codes, serial.codes) << label;
  EXPECT_EQ(got.spots, serial.spots) << label;
  EXPECT_EQ(got.height, serial.height) << label;
  EXPECT_EQ(got.axisZ, serial.axisZ) << label;
  EXPECT_EQ(got.calibrationFile, serial.calibrationFile) << label;
  EXPECT_EQ(got.ids, serial.ids) << label;
  EXPECT_EQ(got.corners, serial.corners) << label;
  ASSERT_EQ(got.matrices.size(), serial.matrices.size());
  for (std::size_t i = 0; i < got.matrices.size(); ++i)
    EXPECT_TRUE(sameMatrix(got.matrices[i], serial.matrices[i])) << label << ", matrix " << i;
}

// Standard output sent to a file while the object lives.
class StdoutToFile {
public:
  explicit StdoutToFile(const fs::path& path) {
    std::cout.flush();
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    FILE* file = std::fopen(path.c_str(), "w");
    dup2(fileno(file), STDOUT_FILENO);
    std::fclose(file);
  }
  ~StdoutToFile() {
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }

private:
  int saved_ = -1;
};

// A whole line of the default layout: time stamp, priority, message.
const std::regex kLogLine(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (INFO |ERROR) (.+))");

// How often each message occurs in `lines`; a line that is not one whole
// entry counts under "<torn> " followed by the line.
std::map<std::string, int> messageCounts(const std::vector<std::string>& lines) {
  std::map<std::string, int> counts;
  std::smatch match;
  for (const std::string& line : lines)
    ++counts[std::regex_match(line, match, kLogLine) ? match[1].str() + match[2].str() : "<torn> " + line];
  return counts;
}

// The concurrent phase must log exactly the serial phase's entries, each
// `kIterations` times over: nothing torn, merged, lost or doubled.
void expectWholeRepeatedEntries(const std::vector<std::string>& lines, std::size_t serialLines, const char* what) {
  ASSERT_EQ(lines.size(), serialLines * (1 + kIterations)) << what;
  const auto serial = messageCounts({lines.begin(), lines.begin() + serialLines});
  const auto concurrent = messageCounts({lines.begin() + serialLines, lines.end()});
  for (const auto& [message, count] : serial) EXPECT_EQ(message.rfind("<torn>", 0), std::string::npos) << what;
  EXPECT_EQ(concurrent.size(), serial.size()) << what;
  for (const auto& [message, count] : concurrent) {
    const auto found = serial.find(message);
    EXPECT_TRUE(found != serial.end() && found->second * kIterations == count) << what << ": " << message;
  }
}

std::string calibrationPath(const talmeq::test::ScratchFolder& folder, int t) {
  return folder.file("cal" + std::to_string(t) + ".yml");
}

TEST(Concurrency, EightThreadsGiveTheSerialResultsAndWholeLogLines) {
  ASSERT_TRUE(kLogFileNamed);
  talmeq::test::ScratchFolder folder;
  const fs::path printed = folder.file("stdout.log");
  std::vector<Outcome> serial;
  std::vector<std::vector<Outcome>> concurrent(kThreads);
  std::size_t serialFileLines = 0, serialPrintedLines = 0;
  inputs();
  ASSERT_TRUE(readLines(kLogFile).empty());  // preparing the inputs logs nothing
  {
    StdoutToFile redirect(printed);
    for (int t = 0; t < kThreads; ++t) serial.push_back(runAllExports(t, calibrationPath(folder, t)));
    std::cout.flush();
    serialFileLines = readLines(kLogFile).size();
    serialPrintedLines = readLines(printed).size();

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        for (int i = 0; i < kIterations; ++i)
          concurrent[t].push_back(runAllExports(t, calibrationPath(folder, t)));
      });
    for (std::thread& thread : threads) thread.join();
  }
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kIterations; ++i)
      expectSameOutcome(concurrent[t][i], serial[t], "thread " + std::to_string(t) + ", round " + std::to_string(i));

  // The work itself succeeded, so the comparison means something.
  for (const Outcome& o : serial) EXPECT_EQ(o.codes, std::vector<int>(12, 0));
  expectWholeRepeatedEntries(readLines(kLogFile), serialFileLines, "log file");
  expectWholeRepeatedEntries(readLines(printed), serialPrintedLines, "standard output");
  std::cout << "log lines per round of all nine exports: " << serialFileLines / kThreads << "\n";
  fs::remove(kLogFile);
}

}  // namespace
