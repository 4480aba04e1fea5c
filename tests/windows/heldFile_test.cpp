// The Windows branches of the file replacement: a calibration file that a
// host holds open while the library replaces it, and the temporaries that
// ended writers left beside it (the writer-process check via OpenProcess).
#include <gtest/gtest.h>
#include <talmeqAlgorithm.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "calibrationFiles.h"

namespace {

namespace fs = std::filesystem;
using talmeq::test::readText;
using talmeq::test::ScratchFolder;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kShareNoDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;  // as fopen and file streams open

// A reader's open handle on a file, closed with the object.
class HeldFile {
 public:
  HeldFile(const std::string& path, DWORD share)
      : handle_(
            CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldFile() { close(); }
  bool open() const { return handle_ != INVALID_HANDLE_VALUE; }
  std::string readFromStart() const {
    SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(handle_, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
    return text;
  }
  void close() {
    if (open()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

class HeldCalibrationFile : public ::testing::Test {
 protected:
  void SetUp() override {
    talmeq::test::writeYaml(path_, "scale: 0.1\ndist: 300.\ninitZ: -31.\nfocusD: 0.5\n");
    before_ = readText(path_);
  }
  bool shifted() const { return readText(path_).find("initZ: -29.") != std::string::npos; }

  ScratchFolder folder_;
  const std::string path_ = folder_.file("cal.yml");
  std::string before_;
};

// A host that opened the file with every sharing mode keeps reading the old
// content through its handle; the name leads to the new file at once.
TEST_F(HeldCalibrationFile, IsReplacedUnderAReaderThatSharesDeletion) {
  const HeldFile reader(path_, kShareAll);
  ASSERT_TRUE(reader.open());
  ASSERT_EQ(correctYml(0.0, 2.0, path_), 0);
  EXPECT_TRUE(shifted());
  EXPECT_EQ(reader.readFromStart(), before_);
}

// A reader without FILE_SHARE_DELETE blocks the rename: the write waits for
// a reader that closes within a moment, and gives up on one that stays,
// leaving the old file and no temporary.
TEST_F(HeldCalibrationFile, WaitsForAReaderWithoutDeleteSharingToClose) {
  HeldFile reader(path_, kShareNoDelete);
  ASSERT_TRUE(reader.open());
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    reader.close();
  });
  EXPECT_EQ(correctYml(0.0, 2.0, path_), 0);
  closer.join();
  EXPECT_TRUE(shifted());
}

TEST_F(HeldCalibrationFile, LeavesTheFileAsItWasWhileSuchAReaderStays) {
  const HeldFile reader(path_, kShareNoDelete);
  ASSERT_TRUE(reader.open());
  EXPECT_EQ(correctYml(0.0, 2.0, path_), 0);  // an unwritable file is not reported
  EXPECT_EQ(readText(path_), before_);
  EXPECT_EQ(folder_.entries(), std::vector<std::string>{"cal.yml"});
}

// The id of a process that has run and ended.
DWORD endedProcessId() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" --gtest_list_tests --gtest_filter=None";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);  // the id may be reused only once no handle is left
  return process.dwProcessId;
}

// A write removes its target's temporaries older than five minutes whose
// writer has ended, and keeps a running writer's and a fresh one.
TEST(WindowsTemporaries, RemovesOnlyStaleTemporariesOfEndedWriters) {
  const ScratchFolder folder;
  const DWORD ended = endedProcessId();
  ASSERT_NE(ended, 0u);
  const std::string endedName = ".tmp-" + std::to_string(ended),
                    running = ".tmp-" + std::to_string(GetCurrentProcessId());
  const std::tuple<std::string, int, bool> leftovers[] = {// name, minutes old, removed
                                                          {endedName + "-00ab-cal.yml", 10, true},
                                                          {endedName + "-00ac-cal.yml", 4, false},
                                                          {running + "-00ad-cal.yml", 10, false}};
  for (const auto& [name, minutesOld, removed] : leftovers) {
    talmeq::test::writeText(folder.file(name), "%YAML:1.0\nk: ");
    fs::last_write_time(folder.file(name), fs::file_time_type::clock::now() - std::chrono::minutes(minutesOld));
  }
  talmeq::test::writeYaml(folder.file("cal.yml"), "scale: 0.1\ndist: 300.\ninitZ: -31.\nfocusD: 0.5\n");
  ASSERT_EQ(correctYml(0.0, 1.0, folder.file("cal.yml")), 0);
  for (const auto& [name, minutesOld, removed] : leftovers) EXPECT_EQ(fs::exists(folder.file(name)), !removed) << name;
}

}  // namespace
