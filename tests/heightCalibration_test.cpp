// The calibration file's writer and the two exports that write the file:
// the temporary file flushed to disk
// and renamed over the target, failed writes (also as the super-user) that
// leave everything as it was; the linear fit, its reference point, error
// limit and search window on worked series; the correction of the height
// offset. (Values read back in every format are in calibrationReader_test.cpp,
// the replaced file's keys and permissions in calibrationFile_test.cpp, the
// messages with those of the other exports.)
#include <sys/resource.h>
#include <sys/stat.h>
#include <talmeqAlgorithm.h>
#include <talmeqInternal.h>

#include <csignal>

#include "calibrationFiles.h"
#include "logCapture.h"

#ifdef __linux__
#include <dlfcn.h>
#endif

namespace {

namespace fs = std::filesystem;
using talmeq::CalibrationValues;
using talmeq::test::fields;
using talmeq::test::readText;
using talmeq::test::sampleCalibration;

// What each flush to disk of this process saw: the file flushed, its
// content and inode, and the content of the watched target at that moment.
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
  struct stat file {};
  if (!watchedTarget.empty() && fstat(fd, &file) == 0) {
    std::error_code error;
    const std::string path = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error).string();
    flushes.push_back({path, readText(path), readText(watchedTarget), file.st_ino});
  }
  static const auto passOn = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
  return passOn(fd);
}
#endif

namespace {

// Writes beyond `bytes` in any file fail while the object lives, for the
// super-user too, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : ignoring_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    const rlimit limited{bytes, saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_), std::signal(SIGXFSZ, ignoring_); }

 private:
  rlimit saved_{};
  void (*ignoring_)(int);
};

#ifdef __linux__
// The new content goes whole to a temporary file beside the target, is
// flushed to disk, and only then takes the target's place in one rename:
// the target never holds a partial file, even if the writer is killed.
TEST(CalibrationFileWrite, TemporaryIsFlushedBeforeItIsRenamedOverTheTarget) {
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  ASSERT_TRUE(talmeq::detail::writeCalibration(path, sampleCalibration(1.0)));
  const std::string before = readText(path);
  watchedTarget = path;
  const bool written = talmeq::detail::writeCalibration(path, sampleCalibration(2.0));
  watchedTarget.clear();
  ASSERT_TRUE(written);
  const auto temporary = std::find_if(flushes.begin(), flushes.end(), [&](const Flush& f) {
    return fs::path(f.path).parent_path() == folder.path() && fs::path(f.path).filename() != "cal.yml";
  });
  ASSERT_NE(temporary, flushes.end()) << "no temporary file was flushed";
  EXPECT_EQ(temporary->targetText, before);    // not yet renamed over the target,
  EXPECT_EQ(temporary->text, readText(path));  // what was flushed is what the target now holds,
  struct stat target {};
  stat(path.c_str(), &target);
  EXPECT_EQ(target.st_ino, temporary->inode);  // renamed, not copied
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"cal.yml"});
}
#endif

TEST(CalibrationFileWrite, FailedWritesLeaveEverythingAsItWas) {
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("cal.yml"), blocked = folder.file("blocked.yml");
  ASSERT_TRUE(talmeq::detail::writeCalibration(path, sampleCalibration(1.0)));
  const std::string before = readText(path);
  fs::create_directories(blocked + "/inner");  // a non-empty folder cannot be replaced by a file
  for (const std::string& target : {blocked, folder.file("nowhere/cal.yml"), path + "/cal.yml"})
    EXPECT_FALSE(talmeq::detail::writeCalibration(target, sampleCalibration(2.0))) << target;
  {
    const FileSizeLimit full(64);  // the file is cut short
    EXPECT_FALSE(talmeq::detail::writeCalibration(path, sampleCalibration(2.0)));
  }
  EXPECT_TRUE(fs::is_directory(blocked + "/inner"));
  EXPECT_EQ(readText(path), before);
  EXPECT_EQ(folder.entries().size(), 2u) << "a temporary file is left";
}

// The exports go on when the file cannot be written: their result follows
// from the rest of the work, and the file is left as it was.
TEST(CalibrationFileWrite, ExportsThatCannotWriteLeaveTheFileAsItWas) {
  talmeq::test::LogCapture quiet;
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  talmeq::test::writeYaml(path, "scale: 1.\ndist: 100.\ninitZ: -10.\nfocusD: 2.5\n");
  const std::string before = readText(path);
  const FileSizeLimit full(64);
  EXPECT_EQ(getCalibrationParamByLinear({0.0, 1.0, 2.0}, {{100, 50}, {110, 50}, {120, 50}}, path), 0);
  EXPECT_EQ(correctYml(0.0, 1.0, path), 0);
  EXPECT_EQ(readText(path), before);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"cal.yml"});
}

// Series at heights h with scale 1 and dist 100: a spot d pixels from the
// reference point is d (100 - h) / 100 away on the plane. k and b to the
// digits the worked examples print; the window from the first and last
// points only, from height -5 over 37 units, its size signed.
TEST(LinearCalibration, WorkedSeriesGiveTheirFitReferencePointAndWindow) {
  const struct {
    std::vector<double> heights;
    std::vector<cv::Point> coords;
    int result;
    double k, b;
    cv::Point2d reference;
    cv::Rect window;
  } series[] = {
      {{0, 1, 2}, {{100, 50}, {110, 50}, {120, 50}}, 0, 0.1020373, -0.0033665, {100, 50}, {50, 50, 370, 0}},
      {{0, 1, 2}, {{100, 50}, {100, 50}, {120, 50}}, -1, 0.0765306, 0.5, {100, 50}, {50, 50, 370, 0}},  // error 0.33
      {{0, 1, 2}, {{100, 50}, {102, 50}, {111, 50}}, -1, 0.1636898, 0.3037727, {100, 50}, {72, 50, 203, 0}},  // 0.25
      {{1, 2, 3}, {{100, 50}, {110, 52}, {120, 54}}, 0, 0.1021401, -0.0346486, {90, 48}, {40, 38, 370, 74}},
      {{0, 1, 2}, {{100, 50}, {100, 50}, {100, 50}}, -1, 0, 0, {100, 50}, {100, 50, 0, 0}},  // singular: zeros
      {{0, 1.5, 3}, {{200, 300}, {196, 296}, {190, 290}}, 0, 0.2161563, 0.1101244, {200, 300}, {216, 316, -123, -123}},
      {{2, 50, 4}, {{10, 10}, {999, 999}, {14, 10}}, -1, 0.8794271, -1187.5468719, {-979, -979}, {-4, 10, 74, 0}}};
  talmeq::test::LogCapture quiet;
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  for (const auto& s : series) {
    talmeq::test::writeYaml(path, "scale: 1.\ndist: 100.\ninitZ: -10.\nfocusD: 2.5\noffsetX: 3.\nlegacy: 1\n");
    EXPECT_EQ(getCalibrationParamByLinear(s.heights, s.coords, path), s.result) << s.window;
    CalibrationValues file;
    ASSERT_TRUE(talmeq::detail::readCalibration(path, file));
    EXPECT_NEAR(file.k, s.k, 5e-8) << s.window;
    EXPECT_NEAR(file.b, s.b, 5e-8) << s.window;
    const CalibrationValues expected{file.k, file.b, s.reference.x, s.reference.y, 1, 100, -10, 2.5, s.window, 0, 0};
    EXPECT_EQ(fields(file), fields(expected));
    EXPECT_TRUE(talmeq::test::holdsElevenKeysInOrder(path));
  }
}

TEST(FileCorrection, ShiftsInitZAndCarriesEveryOtherKey) {
  talmeq::test::LogCapture quiet;
  talmeq::test::ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  talmeq::test::writeYaml(path,
                          "k: 0.25\nb: -1.5\ninitialX: 512.\ninitialY: 491.\nscale: 0.1\ndist: 300.\n"
                          "initZ: 10.\nfocusD: 0.5\nRoI: [ 459, 463, 338, 202 ]\noffsetX: 2.5\noffsetY: -3.\n");
  CalibrationValues file;
  ASSERT_EQ(correctYml(-3.0, -1.0, path), 0);
  ASSERT_TRUE(talmeq::detail::readCalibration(path, file));
  const CalibrationValues shifted{0.25, -1.5, 512, 491, 0.1, 300, 12, 0.5, {459, 463, 338, 202}, 2.5, -3};
  EXPECT_EQ(fields(file), fields(shifted));
  talmeq::test::writeYaml(path, "k: 3.\nRoI: [ 1, 2, 3 ]\nhostNote: 7\n");  // comes back with all eleven keys
  ASSERT_EQ(correctYml(1.0, 3.5, path), 0);
  ASSERT_TRUE(talmeq::detail::readCalibration(path, file));
  EXPECT_EQ(fields(file), fields(CalibrationValues{3, 0, 0, 0, 0, 0, 2.5, 0, {}, 0, 0}));
  EXPECT_TRUE(talmeq::test::holdsElevenKeysInOrder(path));
}

}  // namespace
