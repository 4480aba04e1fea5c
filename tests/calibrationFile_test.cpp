// The calibration file: reading with defaults whatever the key order,
// writing the eleven keys in order, the format kept by the file name, and
// the atomic replacement that never leaves a partial file, even when the
// writer is killed mid-write.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>

#include "calibrationFiles.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::readCalibration;
using talmeq::writeCalibration;
using talmeq::test::fields;
using talmeq::test::ScratchFolder;
using talmeq::test::topLevelKeys;
using talmeq::test::writeYaml;

CalibrationValues sampleValues(double seed) {
  return {0.1 * seed, -1.0 / 3.0, 512.0, 491.0, 0.1, 300.0, -31.0 + seed, 0.5, {459, 463, 338, -202}, 2.7, -1e-300};
}

TEST(CalibrationFileRead, KeysInAnyOrderWithExtrasAndGapsReadByName) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, "offsetY: 4.5\nRoI: [ 1, 2, 3, 4 ]\nnote: \"hand edited\"\ndist: 100.\nk: 2.\nextra: [ 1, 2 ]\n");
  CalibrationValues v;
  v.initZ = 99.0;  // every key is read, missing ones as 0
  ASSERT_TRUE(readCalibration(path, v));
  EXPECT_EQ(v.k, 2.0);
  EXPECT_EQ(v.dist, 100.0);
  EXPECT_EQ(v.offsetY, 4.5);
  EXPECT_EQ(v.roi, cv::Rect(1, 2, 3, 4));
  EXPECT_EQ(v.initZ, 0.0);
  EXPECT_EQ(v.b, 0.0);
  EXPECT_EQ(v.offsetX, 0.0);
}

TEST(CalibrationFileRead, RoIOtherThanFourNumbersReadsAsZero) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  for (const std::string roi : {"RoI: [ 1, 2, 3 ]\n", "RoI: [ 1, 2, 3, 4, 5 ]\n", "RoI: [ ]\n", ""}) {
    writeYaml(path, "k: 1.\n" + roi);
    CalibrationValues v;
    v.roi = cv::Rect(9, 9, 9, 9);
    ASSERT_TRUE(readCalibration(path, v));
    EXPECT_EQ(v.roi, cv::Rect()) << roi;
  }
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

TEST(CalibrationFileWrite, ReplacesTheFileWithElevenKeysInOrderAndExactValues) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  writeYaml(path, "extra: 1\nscale: 5.\n");
  const CalibrationValues written = sampleValues(3.0);
  ASSERT_TRUE(writeCalibration(path, written));
  EXPECT_EQ(topLevelKeys(path), talmeq::test::elevenKeys());
  CalibrationValues read;
  ASSERT_TRUE(readCalibration(path, read));
  EXPECT_EQ(fields(read), fields(written));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"cal.yml"});  // no temporary file left
}

TEST(CalibrationFileWrite, FormatAndCompressionFollowTheTargetName) {
  ScratchFolder folder;
  const CalibrationValues written = sampleValues(1.0);
  for (const std::string name : {"cal.xml", "cal.yml.gz", "cal.json"}) {
    const std::string path = folder.file(name);
    ASSERT_TRUE(writeCalibration(path, written)) << name;
    const std::string head = talmeq::test::readText(path).substr(0, 5);
    const std::string expectedHead = name == "cal.xml" ? "<?xml" : name == "cal.json" ? "{" : "\x1f\x8b";
    EXPECT_EQ(head.substr(0, expectedHead.size()), expectedHead) << name;
    CalibrationValues read;
    ASSERT_TRUE(readCalibration(path, read)) << name;
    EXPECT_EQ(fields(read), fields(written));
  }
  EXPECT_EQ(folder.entries().size(), 3u);
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

// A child process rewrites the file in a loop and is killed at varying
// moments; the file must always read back as one of the complete versions.
TEST(CalibrationFileWrite, KilledWriterLeavesTheOldOrTheNewCompleteFile) {
  ScratchFolder folder;
  const std::string path = folder.file("cal.yml");
  const CalibrationValues versions[2] = {sampleValues(1.0), sampleValues(2.0)};
  ASSERT_TRUE(writeCalibration(path, versions[0]));
  constexpr int kKills = 40;
  for (int round = 0; round < kKills; ++round) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      for (int i = 0;; ++i) writeCalibration(path, versions[i % 2]);
    }
    usleep(static_cast<useconds_t>(200 + 997 * round % 5000));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    CalibrationValues read;
    ASSERT_TRUE(readCalibration(path, read)) << "round " << round;
    EXPECT_TRUE(read.initZ == versions[0].initZ || read.initZ == versions[1].initZ) << "round " << round;
    EXPECT_EQ(topLevelKeys(path), talmeq::test::elevenKeys()) << "round " << round;
  }
  // Temporary files left behind show how many kills landed mid-write.
  std::cout << "killed mid-write in " << folder.entries().size() - 1 << " of " << kKills << " rounds\n";
}

}  // namespace
