// The calibration file's writer and the two exports that write the file:
// write and read back in every format, the temporary file flushed to disk
// and renamed over the target, failed writes (also as the super-user) that
// leave everything as it was; the linear fit, its reference point, error
// limit and search window on worked series; the correction of the height
// offset. (The reader's own cases are in
// calibrationFile_test.cpp; the messages with those of the other exports.)
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include <random>

#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include "calibrationFiles.h"
#include "logCapture.h"

#ifdef __linux__
#include <dlfcn.h>
#endif

namespace {

namespace fs = std::filesystem;
using talmeq::CalibrationValues;
using talmeq::readCalibration;
using talmeq::writeCalibration;
using talmeq::test::fields;
using talmeq::test::readText;
using talmeq::test::ScratchFolder;

// What each flush to disk of this process saw: the file flushed, its
// content and its inode, and the content of the watched target then.
struct Flush {
  std::string path, text, targetText;
  ino_t inode;
};
std::string watchedTarget;
std::vector<Flush> flushes;

}  // namespace

#ifdef __linux__
// Every fsync of the test executable (the library is linked in statically)
// is recorded before it is passed on.
extern "C" int fsync(int fd) {
  if (!watchedTarget.empty()) {
    std::error_code error;
    const std::string path = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error).string();
    struct stat file {};
    fstat(fd, &file);
    flushes.push_back({path, readText(path), readText(watchedTarget), file.st_ino});
  }
  static const auto passOn = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
  return passOn(fd);
}
#endif

namespace {

CalibrationValues sampleValues(double seed) {
  return {0.1 * seed, -1.0 / 3.0, 512.0, 491.0, 0.1, 300.0, -31.0 + seed, 0.5, {459, 463, 338, -202}, 2.7, -1e-300};
}

// Writes beyond `bytes` in any file fail while the object lives, for the
// super-user too, as on a full disk.
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) : ignoring_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    const rlimit limited{bytes, saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, ignoring_);
  }

private:
  rlimit saved_{};
  void (*ignoring_)(int);
};

TEST(CalibrationFileWrite, ValuesReadBackExactlyInEveryFormat) {
  ScratchFolder folder;
  std::mt19937 random(7);
  std::uniform_real_distribution<double> any(-1e6, 1e6);
  const std::pair<std::string, std::string> names[] = {
      {"cal.yml", "%YAML"}, {"cal.xml", "<?xml"}, {"cal.json", "{"}, {"cal.yml.gz", "\x1f\x8b"},
      {std::string(250, 'c') + ".yml", "%YAML"}};  // the temporary's name must not outgrow the limit
  for (const auto& [name, head] : names) {
    const std::string path = folder.file(name);
    talmeq::test::writeYaml(path, "extra: 1\nscale: 5.\n");
    CalibrationValues written{any(random), any(random), any(random), any(random), 1e-300, 1e300, any(random),
                              -0.0,        {-3, 7, 2147483647, -2147483647}, any(random), any(random)};
    ASSERT_TRUE(writeCalibration(path, written)) << name;
    EXPECT_EQ(readText(path).substr(0, head.size()), head) << name;
    CalibrationValues read;
    ASSERT_TRUE(readCalibration(path, read)) << name;
    EXPECT_EQ(fields(read), fields(written)) << name;
    if (head == "%YAML") { EXPECT_TRUE(talmeq::test::holdsElevenKeysInOrder(path)) << name; }
    fs::remove(path);
    EXPECT_TRUE(folder.entries().empty()) << name << ": a temporary file is left";
  }
}

#ifdef __linux__
// The new content goes whole to a temporary file beside the target, is
// flushed to disk, and only then takes the target's place in one rename:
// the target never holds a partial file, even if the writer is killed.
TEST(CalibrationFileWrite, TemporaryIsFlushedBeforeItIsRenamedOverTheTarget) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  ASSERT_TRUE(writeCalibration(path, sampleValues(1.0)));
  const std::string before = readText(path);
  watchedTarget = path;
  flushes.clear();
  const bool written = writeCalibration(path, sampleValues(2.0));
  watchedTarget.clear();
  ASSERT_TRUE(written);
  const auto temporary = std::find_if(flushes.begin(), flushes.end(), [&](const Flush& f) {
    return fs::path(f.path).parent_path() == folder.path() && fs::path(f.path).filename() != "cal.yml";
  });
  ASSERT_NE(temporary, flushes.end()) << "no temporary file was flushed";
  EXPECT_EQ(temporary->targetText, before);  // not yet renamed over the target
  EXPECT_EQ(temporary->text, readText(path));  // what was flushed is what the target now holds,
  struct stat target {};
  stat(path.c_str(), &target);
  EXPECT_EQ(target.st_ino, temporary->inode);  // renamed, not copied
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"cal.yml"});
}
#endif

TEST(CalibrationFileWrite, FailedWritesLeaveEverythingAsItWas) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml"), blocked = folder.file("blocked.yml");
  ASSERT_TRUE(writeCalibration(path, sampleValues(1.0)));
  const std::string before = readText(path);
  fs::create_directories(blocked + "/inner");  // a non-empty folder cannot be replaced by a file
  EXPECT_FALSE(writeCalibration(blocked, sampleValues(2.0)));
  EXPECT_FALSE(writeCalibration(folder.file("nowhere/cal.yml"), sampleValues(2.0)));
  EXPECT_FALSE(writeCalibration(path + "/cal.yml", sampleValues(2.0)));
  {
    const FileSizeLimit full(64);  // the file is cut short
    EXPECT_FALSE(writeCalibration(path, sampleValues(2.0)));
  }
  EXPECT_TRUE(fs::is_directory(blocked + "/inner"));
  EXPECT_EQ(readText(path), before);
  std::vector<std::string> entries = folder.entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"blocked.yml", "cal.yml"}));
}

// The exports go on when the file cannot be written: their result follows
// from the rest of the work, and the file is left as it was.
TEST(CalibrationFileWrite, ExportsThatCannotWriteLeaveTheFileAsItWas) {
  talmeq::test::LogCapture quiet;
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  talmeq::test::writeYaml(path, "scale: 1.\ndist: 100.\ninitZ: -10.\nfocusD: 2.5\n");
  const std::string before = readText(path);
  const FileSizeLimit full(64);
  EXPECT_EQ(getCalibrationParamByLinear({0.0, 1.0, 2.0}, {{100, 50}, {110, 50}, {120, 50}}, path), 0);
  EXPECT_EQ(correctYml(0.0, 1.0, path), 0);
  EXPECT_EQ(readText(path), before);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"cal.yml"});
}

struct Series {
  const char* name;
  std::vector<double> heights;
  std::vector<cv::Point> coords;
  int result;
  double k, b;  // to the digits the worked examples print
  cv::Point2d reference;
  cv::Rect window;
};

// scale 1, dist 100: the projected displacement is d (100 - h) / 100.
const Series kSeries[] = {
    {"evenly spaced", {0, 1, 2}, {{100, 50}, {110, 50}, {120, 50}}, 0, 0.1020373, -0.0033665, {100, 50}, {50, 50, 370, 0}},
    {"average error 0.33", {0, 1, 2}, {{100, 50}, {100, 50}, {120, 50}}, -1, 0.0765306, 0.5, {100, 50}, {50, 50, 370, 0}},
    {"average error 0.25", {0, 1, 2}, {{100, 50}, {102, 50}, {111, 50}}, -1, 0.1636898, 0.3037727, {100, 50},
     {72, 50, 203, 0}},
    {"not starting at 0", {1, 2, 3}, {{100, 50}, {110, 52}, {120, 54}}, 0, 0.1021401, -0.0346486, {90, 48},
     {40, 38, 370, 74}},
    // Equal displacements leave the normal equations singular: zeros.
    {"no displacement", {0, 1, 2}, {{100, 50}, {100, 50}, {100, 50}}, -1, 0.0, 0.0, {100, 50}, {100, 50, 0, 0}},
};

TEST(LinearCalibration, WorkedSeriesGiveTheirFitReferenceAndWindow) {
  talmeq::test::LogCapture quiet;
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  for (const Series& s : kSeries) {
    talmeq::test::writeYaml(path, "scale: 1.\ndist: 100.\ninitZ: -10.\nfocusD: 2.5\noffsetX: 3.\nlegacy: 1\n");
    EXPECT_EQ(getCalibrationParamByLinear(s.heights, s.coords, path), s.result) << s.name;
    CalibrationValues file;
    ASSERT_TRUE(readCalibration(path, file)) << s.name;
    EXPECT_NEAR(file.k, s.k, 5e-8) << s.name;
    EXPECT_NEAR(file.b, s.b, 5e-8) << s.name;
    const CalibrationValues expected{file.k, file.b, s.reference.x, s.reference.y, 1.0, 100.0, -10.0, 2.5, s.window,
                                     0.0, 0.0};
    EXPECT_EQ(fields(file), fields(expected)) << s.name;
    EXPECT_TRUE(talmeq::test::holdsElevenKeysInOrder(path)) << s.name;
  }
}

TEST(LinearCalibration, WindowRunsFromHeightMinus5Over37UnitsAndKeepsItsSign) {
  struct Case { std::vector<double> heights; std::vector<cv::Point> coords; cv::Rect window; };
  const Case cases[] = {
      // Spot moving to smaller x and y: negative size; values truncate toward zero.
      {{0.0, 3.0}, {{200, 300}, {190, 290}}, {216, 316, -123, -123}},
      // Only the first and last points count.
      {{2.0, 50.0, 4.0}, {{10, 10}, {999, 999}, {14, 10}}, {-4, 10, 74, 0}},
  };
  for (const Case& c : cases) {
    cv::Rect window;
    EXPECT_EQ(calRoI(c.heights, c.coords, window), 0);
    EXPECT_EQ(window, c.window);
  }
}

TEST(FileCorrection, ShiftsInitZAndCarriesEveryOtherKey) {
  talmeq::test::LogCapture quiet;
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  talmeq::test::writeYaml(path, "k: 0.25\nb: -1.5\ninitialX: 512.\ninitialY: 491.\nscale: 0.1\ndist: 300.\n"
                                "initZ: 10.\nfocusD: 0.5\nRoI: [ 459, 463, 338, 202 ]\noffsetX: 2.5\noffsetY: -3.\n");
  EXPECT_EQ(correctYml(-3.0, -1.0, path), 0);
  CalibrationValues file;
  ASSERT_TRUE(readCalibration(path, file));
  const CalibrationValues shifted{0.25, -1.5, 512.0, 491.0, 0.1, 300.0, 12.0, 0.5, {459, 463, 338, 202}, 2.5, -3.0};
  EXPECT_EQ(fields(file), fields(shifted));
  // A partial file comes back with all eleven keys.
  talmeq::test::writeYaml(path, "k: 3.\nRoI: [ 1, 2, 3 ]\nhostNote: 7\n");
  EXPECT_EQ(correctYml(1.0, 3.5, path), 0);
  ASSERT_TRUE(readCalibration(path, file));
  EXPECT_EQ(fields(file), fields(CalibrationValues{3.0, 0.0, 0.0, 0.0, 0.0, 0.0, 2.5, 0.0, {}, 0.0, 0.0}));
  EXPECT_TRUE(talmeq::test::holdsElevenKeysInOrder(path));
}

}  // namespace
