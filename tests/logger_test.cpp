// The logging component: message text exactly as streamed, one entry per
// statement on each stream, the failure record on both, and the default
// set-up writing the file stream to the file that TALMEQ_LOG_FILE names.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

TEST(Logger, EachStatementIsOneEntryWithTheStreamedText) {
  talmeq::test::LogCapture capture;
  logger::logPrint() << "best gray thr = " << 225;
  logger::logFile() << "height = " << 1.5 << ", coord = " << cv::Point(320, 240) << ' ' << std::size_t{7} << ' '
                    << 0.0045350123456 << ' ' << 1.0 / 3.0 << ' ' << 12.0;
  const auto entries = capture.entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].stream, "print");
  EXPECT_EQ(entries[0].text, "best gray thr = 225");
  EXPECT_FALSE(entries[0].error);
  EXPECT_EQ(entries[1].stream, "file");
  EXPECT_EQ(entries[1].text, "height = 1.5, coord = [320, 240] 7 0.00453501 0.333333 12");  // six significant digits
  EXPECT_FALSE(entries[1].error);
}

TEST(Logger, FailureRecordGoesToBothStreamsAsOneErrorLine) {
  talmeq::test::LogCapture capture;
  logger::log("/src/talmeqAlgorithm.cpp", "calibChess", 412, -1);
  const auto entries = capture.entries();
  ASSERT_EQ(entries.size(), 2u);
  for (const auto& entry : entries) {
    EXPECT_TRUE(entry.error);
    EXPECT_EQ(entry.text, "calibChess returned -1 at /src/talmeqAlgorithm.cpp:412");
  }
  EXPECT_EQ(entries[0].stream, "print");
  EXPECT_EQ(entries[1].stream, "file");
}

TEST(Logger, DefaultSetUpWritesTheFileStreamToTheNamedFile) {
  // The test environment points TALMEQ_LOG_FILE at the build tree. The
  // marker is new in every run, so an older log cannot hold it.
  const char* path = std::getenv("TALMEQ_LOG_FILE");
  ASSERT_NE(path, nullptr);
  const std::string marker = "logger test marker " + std::to_string(getpid()) + "-" +
                             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  logger::logFile() << marker;
  const std::string text = talmeq::test::readText(path);
  const auto at = text.find(marker);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(text.substr(at + marker.size(), 1), "\n");
  EXPECT_NE(text.rfind("INFO", at), std::string::npos);
}

}  // namespace
