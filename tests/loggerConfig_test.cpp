// The logging component configured by a log4cpp properties file named in
// TALMEQ_LOG_CONFIG (set by CTest for this suite): both streams and the
// failure record go where the file says, in its layout.
#include <gtest/gtest.h>
#include <talmeq/logger.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string contentOf(const std::string& path) {
  std::stringstream content;
  content << std::ifstream(path).rdbuf();
  return content.str();
}

TEST(LoggerConfigFile, ConfiguresBothStreamsInsteadOfTheDefaults) {
  const std::string printLog = TALMEQ_TEST_LOG_DIR "/print.log", fileLog = TALMEQ_TEST_LOG_DIR "/file.log";
  std::remove(printLog.c_str());
  std::remove(fileLog.c_str());
  logger::logPrint() << "to the print target " << 1;
  logger::logFile() << "to the file target " << 2.5;
  logger::log("source.cpp", "correctYml", 7, -2);
  const std::string record = "|ERROR|correctYml returned -2 at source.cpp:7\n";
  EXPECT_EQ(contentOf(printLog), "print|INFO|to the print target 1\nprint" + record);
  EXPECT_EQ(contentOf(fileLog), "file|INFO|to the file target 2.5\nfile" + record);
}

}  // namespace
