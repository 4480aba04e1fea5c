// The calibration file's replacement: it removes the temporaries ended
// writers left, keeps the permission bits and replaces the file a symbolic
// link leads to. (Flushing before the rename and failed writes are in
// heightCalibration_test.cpp; a missing file with the exports' bad inputs.)
#include <sys/wait.h>

#include <chrono>
#include <iterator>

#include "calibrationFiles.h"

namespace {

using talmeq::CalibrationValues;
using talmeq::detail::readCalibration;
using talmeq::detail::writeCalibration;
using talmeq::test::fields;
using talmeq::test::sampleCalibration;
using talmeq::test::ScratchFolder;
using talmeq::test::topLevelKeys;
using talmeq::test::writeYaml;
namespace fs = std::filesystem;

// The new file keeps the permission bits of the one it replaces; a name of
// 250 characters leaves room for its temporary's name.
TEST(CalibrationFileWrite, ReplacesTheFileWithElevenKeysInOrderExactValuesAndItsPermissions) {
  ScratchFolder folder;
  for (const std::string& name : {std::string("cal.yml"), std::string(250, 'c') + ".yml"}) {
    const std::string path = folder.file(name);
    writeYaml(path, "extra: 1\nscale: 5.\n");
    fs::permissions(path, fs::perms(0604));
    const CalibrationValues written = sampleCalibration(3.0);
    ASSERT_TRUE(writeCalibration(path, written)) << name;
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0604));
    EXPECT_EQ(topLevelKeys(path), talmeq::test::elevenKeys());
    CalibrationValues read;
    ASSERT_TRUE(readCalibration(path, read));
    EXPECT_EQ(fields(read), fields(written));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{name});  // no temporary file left
    fs::remove(path);
  }
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
  const std::tuple<std::string, int, bool> leftovers[] = {
      // name, minutes old, removed
      {ended + "-00ab-cal.yml", 10, true},    {ended + "-00ac-cal.yml", 4, false},
      {running + "-00ad-cal.yml", 10, false}, {ended + "-00ae-other.yml", 10, false},
      {ended + "-00af-xcal.yml", 10, false},  {"notes.txt", 10, false},
  };
  for (const auto& [name, minutesOld, removed] : leftovers) {
    talmeq::test::writeText(folder.file(name), "%YAML:1.0\nk: ");
    fs::last_write_time(folder.file(name), fs::file_time_type::clock::now() - std::chrono::minutes(minutesOld));
  }
  ASSERT_TRUE(writeCalibration(folder.file("cal.yml"), sampleCalibration(1.0)));
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
  ASSERT_TRUE(writeCalibration(folder.file("cal.yml"), sampleCalibration(2.0)));
  ASSERT_TRUE(writeCalibration(folder.file("new.yml"), sampleCalibration(3.0)));
  for (const std::string link : {"cal.yml", "station.yml", "new.yml"}) EXPECT_TRUE(fs::is_symlink(folder.file(link)));
  CalibrationValues read;
  ASSERT_TRUE(readCalibration(folder.file("stations/station-7.yml"), read));
  EXPECT_EQ(fields(read), fields(sampleCalibration(2.0)));
  ASSERT_TRUE(readCalibration(folder.file("stations/new.yml"), read));
  EXPECT_EQ(fields(read), fields(sampleCalibration(3.0)));
  fs::create_symlink("loop-b.yml", folder.file("loop-a.yml"));
  fs::create_symlink("loop-a.yml", folder.file("loop-b.yml"));
  EXPECT_FALSE(writeCalibration(folder.file("loop-a.yml"), sampleCalibration(1.0)));
  EXPECT_EQ(folder.entries().size(), 6u);  // five links and the folder, no temporary
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.file("stations")), fs::directory_iterator()), 2);
}

}  // namespace
