// The logging component: message text exactly as streamed, one entry per
// statement on each stream, the failure record, and the default file target.
#include <gtest/gtest.h>

#include <log4cpp/Category.hh>
#include <opencv2/core.hpp>

#include <sstream>

#include "calibrationFiles.h"
#include "logCapture.h"

namespace {

using talmeq::test::LogCapture;

TEST(Logger, StreamsEmitOneEntryPerStatementWithTheStreamedText) {
  LogCapture capture;
  logger::logPrint() << "best gray thr = " << 225;
  logger::logFile() << "height = " << 1.5 << ", coord = " << cv::Point(320, 240) << ' ' << std::size_t{7};
  const auto entries = capture.entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].stream, "print");
  EXPECT_EQ(entries[0].text, "best gray thr = 225");
  EXPECT_FALSE(entries[0].error);
  EXPECT_EQ(entries[1].stream, "file");
  EXPECT_EQ(entries[1].text, "height = 1.5, coord = [320, 240] 7");
}

TEST(Logger, DoublesUseSixSignificantDigits) {
  LogCapture capture;
  logger::logPrint() << "average err = " << 0.0045350123456 << ' ' << 1.0 / 3.0 << ' ' << 12.0;
  EXPECT_EQ(capture.printed().at(0), "average err = 0.00453501 0.333333 12");
}

TEST(Logger, FailureRecordGoesToBothStreamsAsOneErrorLine) {
  LogCapture capture;
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

TEST(Logger, InjectedTextExceptionFiresAtTheChosenCallOnly) {
  LogCapture capture;
  capture.throwAtCall(2);
  EXPECT_NO_THROW(logger::logPrint() << "first");
  EXPECT_THROW(logger::logFile(), const char*);
  EXPECT_NO_THROW(logger::logPrint() << "third");
  EXPECT_EQ(capture.printed(), (std::vector<std::string>{"first", "third"}));
}

TEST(Logger, DefaultRouterWritesTheFileStreamToTheConfiguredFile) {
  // The test environment points TALMEQ_LOG_FILE at the build tree.
  const char* path = std::getenv("TALMEQ_LOG_FILE");
  ASSERT_NE(path, nullptr);
  std::ostringstream marker;
  marker << "logger test marker " << std::rand();
  logger::logFile() << marker.str();
  const std::string text = talmeq::test::readText(path);
  const auto at = text.find(marker.str());
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(text.substr(at + marker.str().size(), 1), "\n");
  EXPECT_NE(text.rfind("INFO", at), std::string::npos);
}

}  // namespace
