// The calibration file: a missing file, writing the eleven keys in order,
// and the atomic replacement that never leaves a partial file, even when the
// writer, or an export that writes the file, is killed mid-write; that
// removes the temporaries ended writers left, keeps the permission bits and
// replaces the file a symbolic link leads to.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <iterator>
#include <random>

#include <talmeqAlgorithm.h>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::readCalibration;
using talmeq::writeCalibration;
using talmeq::test::fields;
using talmeq::test::ScratchFolder;
using talmeq::test::topLevelKeys;
using talmeq::test::writeYaml;
namespace fs = std::filesystem;

CalibrationValues sampleValues(double seed) {
  return {0.1 * seed, -1.0 / 3.0, 512.0, 491.0, 0.1, 300.0, -31.0 + seed, 0.5, {459, 463, 338, -202}, 2.7, -1e-300};
}

TEST(CalibrationFileRead, MissingFileIsReportedUntouchedAndNotCreated) {
  ScratchFolder folder;
  CalibrationValues v;
  v.k = 7.0;
  EXPECT_FALSE(readCalibration(folder.file("absent.yml"), v));
  EXPECT_FALSE(talmeq::readFixedSettings(folder.file("absent.yml"), v));
  EXPECT_EQ(v.k, 7.0);
  EXPECT_TRUE(folder.entries().empty());
}

// The new file keeps the permission bits of the one it replaces.
TEST(CalibrationFileWrite, ReplacesTheFileWithElevenKeysInOrderExactValuesAndItsPermissions) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, "extra: 1\nscale: 5.\n");
  fs::permissions(path, fs::perms(0604));
  const CalibrationValues written = sampleValues(3.0);
  ASSERT_TRUE(writeCalibration(path, written));
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0604));
  EXPECT_EQ(topLevelKeys(path), talmeq::test::elevenKeys());
  CalibrationValues read;
  ASSERT_TRUE(readCalibration(path, read));
  EXPECT_EQ(fields(read), fields(written));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"cal.yml"});  // no temporary file left
}

// A later write removes the temporaries of its target whose writers have
// ended more than a few minutes ago; a fresh one, a running writer's, one
// of another target and other files stay.
TEST(CalibrationFileWrite, RemovesOnlyStaleTemporariesOfEndedWriters) {
  ScratchFolder folder;
  const pid_t endedWriter = fork();
  if (endedWriter == 0) _exit(0);
  waitpid(endedWriter, nullptr, 0);
  const std::string ended = ".tmp-" + std::to_string(endedWriter), running = ".tmp-" + std::to_string(getpid());
  const std::tuple<std::string, int, bool> leftovers[] = {  // name, minutes old, removed
      {ended + "-00ab-cal.yml", 10, true},     {ended + "-00ac-cal.yml", 4, false},
      {running + "-00ad-cal.yml", 10, false},  {ended + "-00ae-other.yml", 10, false},
      {ended + "-00af-xcal.yml", 10, false},   {"notes.txt", 10, false},
  };
  for (const auto& [name, minutesOld, removed] : leftovers) {
    talmeq::test::writeText(folder.file(name), "%YAML:1.0\nk: ");
    fs::last_write_time(folder.file(name), fs::file_time_type::clock::now() - std::chrono::minutes(minutesOld));
  }
  ASSERT_TRUE(writeCalibration(folder.file("cal.yml"), sampleValues(1.0)));
  for (const auto& [name, minutesOld, removed] : leftovers) EXPECT_EQ(fs::exists(folder.file(name)), !removed) << name;
}

// A calibration path that is a symbolic link, as a host switching stations
// keeps it: the file the links lead to is replaced in its own folder and
// the links stay. A link to a missing file creates that file; a loop of
// links names no file and nothing is written.
TEST(CalibrationFileWrite, ReplacesTheFileALinkLeadsTo) {
  ScratchFolder folder;
  fs::create_directories(folder.file("stations"));
  writeYaml(folder.file("stations/station-7.yml"), "scale: 1.\n");
  fs::create_symlink("stations/station-7.yml", folder.file("station.yml"));
  fs::create_symlink("station.yml", folder.file("cal.yml"));
  fs::create_symlink("stations/new.yml", folder.file("new.yml"));
  ASSERT_TRUE(writeCalibration(folder.file("cal.yml"), sampleValues(2.0)));
  ASSERT_TRUE(writeCalibration(folder.file("new.yml"), sampleValues(3.0)));
  for (const std::string link : {"cal.yml", "station.yml", "new.yml"}) EXPECT_TRUE(fs::is_symlink(folder.file(link)));
  CalibrationValues read;
  ASSERT_TRUE(readCalibration(folder.file("stations/station-7.yml"), read));
  EXPECT_EQ(fields(read), fields(sampleValues(2.0)));
  ASSERT_TRUE(readCalibration(folder.file("stations/new.yml"), read));
  EXPECT_EQ(fields(read), fields(sampleValues(3.0)));
  fs::create_symlink("loop-b.yml", folder.file("loop-a.yml"));
  fs::create_symlink("loop-a.yml", folder.file("loop-b.yml"));
  EXPECT_FALSE(writeCalibration(folder.file("loop-a.yml"), sampleValues(1.0)));
  EXPECT_EQ(folder.entries().size(), 6u);  // five links and the folder, no temporary
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.file("stations")), fs::directory_iterator()), 2);
}

TEST(CalibrationFileWrite, UnwritableTargetLeavesEverythingAsItWas) {
  ScratchFolder folder;
  // A target that is a non-empty folder cannot be replaced by a file.
  const std::string blocked = folder.file("blocked.yml");
  std::filesystem::create_directories(blocked);
  writeYaml(blocked + "/inner.yml", "k: 1.\n");
  EXPECT_FALSE(writeCalibration(blocked, sampleValues(1.0)));
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"blocked.yml"});
  // A target in a folder that does not exist.
  EXPECT_FALSE(writeCalibration(folder.file("nowhere/cal.yml"), sampleValues(1.0)));
  EXPECT_FALSE(std::filesystem::exists(folder.file("nowhere")));
}

// Forks a child that runs `writeLoop` (which never returns) and kills it
// after a random delay of up to `maxDelayUs`, `rounds` times; after each
// kill `check` inspects the file. The child must die by the kill, not by a
// crash or a sanitizer abort of its own. Prints how many kills landed in the
// middle of a write (a temporary file left behind).
template <class WriteLoop, class Check>
void killWriterRepeatedly(const ScratchFolder& folder, int rounds, int maxDelayUs, WriteLoop writeLoop,
                          Check check) {
  std::mt19937 random(20261205);
  std::uniform_int_distribution<int> delay(50, maxDelayUs);
  for (int round = 0; round < rounds; ++round) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) writeLoop();
    usleep(static_cast<useconds_t>(delay(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "round " << round << ", status " << status;
    check(round);
  }
  std::cout << "killed mid-write in " << folder.entries().size() - 1 << " of " << rounds << " rounds\n";
}

// A child process rewrites the file in a loop and is killed at random
// moments; the file must always read back as one of the complete versions.
TEST(CalibrationFileWrite, KilledWriterLeavesTheOldOrTheNewCompleteFile) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  const CalibrationValues versions[2] = {sampleValues(1.0), sampleValues(2.0)};
  ASSERT_TRUE(writeCalibration(path, versions[0]));
  killWriterRepeatedly(folder, 40, 5000, [&] {
    for (int i = 0;; ++i) writeCalibration(path, versions[i % 2]);
  }, [&](int round) {
    CalibrationValues read;
    ASSERT_TRUE(readCalibration(path, read)) << "round " << round;
    EXPECT_TRUE(fields(read) == fields(versions[0]) || fields(read) == fields(versions[1])) << "round " << round;
    EXPECT_EQ(topLevelKeys(path), talmeq::test::elevenKeys()) << "round " << round;
  });
}

// The same through the two exports that write the file: a child calibrates
// with two point sets in turn and shifts "initZ" up and back between them.
// Whenever it is killed, the file holds one of the four complete states of
// that cycle (or, before the first write lands, the starting file).
TEST(CalibrationFileWrite, KilledCalibrationOrCorrectionLeavesACompleteState) {
  talmeq::test::LogCapture quiet;
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  const std::vector<double> heights = {0.0, 1.0, 2.0};
  const std::vector<cv::Point> pointSets[2] = {{{100, 50}, {110, 50}, {120, 50}}, {{100, 50}, {100, 57}, {100, 64}}};
  const auto cycleStep = [&](int i) {
    switch (i % 4) {
      case 0: return getCalibrationParamByLinear(heights, pointSets[0], path);
      case 1: return correctYml(0.0, 1.0, path);
      case 2: return getCalibrationParamByLinear(heights, pointSets[1], path);
      default: return correctYml(1.0, 0.0, path);
    }
  };
  const std::string starting = "%YAML:1.0\n---\nscale: 1.\ndist: 100.\ninitZ: -20.\nfocusD: 0.5\n";
  talmeq::test::writeText(path, starting);
  std::vector<CalibrationValues> states;
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(cycleStep(i), 0);
    states.emplace_back();
    ASSERT_TRUE(readCalibration(path, states.back()));
  }
  talmeq::test::writeText(path, starting);
  const auto isCompleteState = [&](const CalibrationValues& read) {
    return std::any_of(states.begin(), states.end(), [&](const CalibrationValues& s) { return fields(s) == fields(read); });
  };
  // A child killed between the two shifts finds "initZ" raised and starts
  // with the shift back, so the shifts never add up across children.
  const double raisedInitZ = states[1].initZ;
  killWriterRepeatedly(folder, 100, 8000, [&] {
    CalibrationValues found;
    readCalibration(path, found);
    for (int i = found.initZ == raisedInitZ ? 3 : 0;; ++i) cycleStep(i);
  }, [&](int round) {
    CalibrationValues read;
    ASSERT_TRUE(readCalibration(path, read)) << "round " << round;
    if (talmeq::test::readText(path) == starting) return;
    EXPECT_TRUE(isCompleteState(read)) << "round " << round << ":\n" << talmeq::test::readText(path);
    EXPECT_EQ(topLevelKeys(path), talmeq::test::elevenKeys()) << "round " << round;
  });
}

}  // namespace
