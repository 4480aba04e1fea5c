// The logging component's own contract (the exports' lines on both streams
// are checked with their messages): the failure record's layout, and the
// default set-up writing the file stream, one line per entry, to the file
// that TALMEQ_LOG_FILE names.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

TEST(Logger, FailureRecordIsOneErrorEntryOnEachStream) {
  talmeq::test::LogCapture capture;
  logger::log("/src/talmeqAlgorithm.cpp", "calibChess", 412, -1);
  const auto entries = capture.entries();
  ASSERT_EQ(entries.size(), 2u);
  for (const auto& entry : entries) {
    EXPECT_TRUE(entry.error);
    EXPECT_EQ(entry.text, "calibChess returned -1 at /src/talmeqAlgorithm.cpp:412");
  }
  EXPECT_EQ(entries[0].stream + entries[1].stream, "printfile");
}

TEST(Logger, DefaultSetUpWritesTheFileStreamToTheNamedFile) {
  // The test environment points TALMEQ_LOG_FILE at the build tree. The
  // marker is new in every run, so an older log cannot hold it.
  const char* path = std::getenv("TALMEQ_LOG_FILE");
  ASSERT_NE(path, nullptr);
  const std::string marker = "logger test marker " + std::to_string(getpid()) + "-" +
                             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  logger::logFile() << marker << ' ' << 1.0 / 3.0;
  const std::string text = talmeq::test::readText(path);
  const auto at = text.find(marker + " 0.333333\n");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(text.rfind("INFO", at), std::string::npos);
}

}  // namespace
