// The logging component's own contract (the exports' lines and failure
// records on both streams are checked with their messages): the default
// set-up writing the file stream, one line per entry, to the file that
// TALMEQ_LOG_FILE names, and the default set-up's line layout and rotating
// file, each against the log4cpp part it stands in for.
#include <talmeqAlgorithm.h>

#include <chrono>
#include <ctime>
#include <log4cpp/Category.hh>
#include <log4cpp/LayoutAppender.hh>
#include <log4cpp/LoggingEvent.hh>
#include <log4cpp/PatternLayout.hh>
#include <log4cpp/RollingFileAppender.hh>
#include <log4cpp/SimpleLayout.hh>
#include <log4cpp/StringQueueAppender.hh>
#include <random>
#include <thread>

#include "calibrationFiles.h"
#include "environment.h"
#include "logCapture.h"

namespace {

// A category of its own writing to `appender` alone, each line in log4cpp's
// simple layout ("INFO    : <message>\n"). Detach with removeAllAppenders().
log4cpp::Category& categoryWritingTo(const std::string& name, log4cpp::Appender* appender) {
  log4cpp::Category& category = log4cpp::Category::getInstance(name);
  appender->setLayout(new log4cpp::SimpleLayout());
  category.removeAllAppenders();
  category.addAppender(appender);
  category.setAdditivity(false);
  return category;
}

#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";  // log4cpp writes its file in text mode there
#else
constexpr const char* kLineEnd = "\n";
#endif

TEST(Logger, DefaultSetUpWritesTheFileStreamToTheNamedFile) {
  // The test environment points TALMEQ_LOG_FILE at the build tree. The
  // marker is new in every run, so an older log cannot hold it.
  const char* path = std::getenv("TALMEQ_LOG_FILE");
  ASSERT_NE(path, nullptr);
  const std::string marker = "logger test marker " + std::to_string(getpid()) + "-" +
                             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  logger::logFile() << marker << ' ' << 1.0 / 3.0;
  const std::string text = talmeq::test::readText(path);
  const auto at = text.find(marker + " 0.333333" + kLineEnd);
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(text.rfind("INFO", at), std::string::npos);
}

// Every line the line layout makes is the text of the pattern it replaces,
// for every priority, for awkward messages, for times across the year and
// its daylight-saving changes in zones an hour, half an hour and 45 minutes
// off, for lines in the same second as the last (the layout keeps that
// second's text) and for a time stamp no clock gives.
TEST(Logger, LineLayoutWritesThePatternsText) {
  log4cpp::PatternLayout pattern;
  pattern.setConversionPattern("%d{%Y-%m-%d %H:%M:%S.%l} %-5p %m%n");
  const std::unique_ptr<log4cpp::Layout> layout(logger::newLineLayout());
  const std::string messages[] = {"",
                                  "x",
                                  "getSpotCoord: start! 2025_09_29_V1.8.0",
                                  "100% %d{%H} %m %n",
                                  "two\nlines",
                                  "\xc2\xb5m \t tab",
                                  std::string(3000, 'a')};
  const int priorities[] = {0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 50, 399, -1, 100000};
  const char* zones[] = {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "NST3:30NDT,M3.2.0,M11.1.0", "<+0545>-5:45"};
  const char* zoneBefore = std::getenv("TZ");
  const std::string savedZone = zoneBefore ? zoneBefore : "";
  std::mt19937 random(20261206);
  std::uniform_int_distribution<unsigned int> second(0, 2147483647u), micro(0, 999999);
  unsigned int seconds = 0;
  for (const char* zone : zones) {
    talmeq::test::setEnvironment("TZ", zone);
    tzset();
    for (int i = 0; i < 400; ++i) {
      log4cpp::LoggingEvent event("talmeq.test", messages[i % std::size(messages)], "",
                                  priorities[i % std::size(priorities)]);
      if (i % 4 == 0) seconds = second(random);
      event.timeStamp = log4cpp::TimeStamp(seconds, i % 50 == 7 ? 1500000 : (i % 3 ? micro(random) : i % 2 * 999000));
      ASSERT_EQ(layout->format(event), pattern.format(event)) << "zone " << zone << ", line " << i;
    }
  }
  if (zoneBefore)
    talmeq::test::setEnvironment("TZ", savedZone.c_str());
  else
    talmeq::test::unsetEnvironment("TZ");
  tzset();
}

// The rotating file against log4cpp's RollingFileAppender, fed the same
// lines: every file, the current one and each old one under its padded
// number, holds the same bytes, so rotation happens at the same line.
TEST(Logger, RotatingFileRotatesWhereLog4cppWould) {
  talmeq::test::ScratchFolder folder;
  constexpr std::size_t kMaxBytes = 700;
  constexpr unsigned int kBackups = 40;  // every file stays, named ".01" to ".40"
  const std::string ours = folder.file("ours.log"), theirs = folder.file("theirs.log");
  log4cpp::Category& oursCategory =
      categoryWritingTo("talmeq.test.ours", logger::newRotatingFile("ours", ours, kMaxBytes, kBackups));
  log4cpp::Category& theirsCategory =
      categoryWritingTo("talmeq.test.theirs", new log4cpp::RollingFileAppender("theirs", theirs, kMaxBytes, kBackups));
  // The first 100 lines are 70 bytes each ("INFO    : ", 59 more and the line
  // end), so each file reaches the limit exactly; the rest vary in length.
  std::mt19937 random(7);
  for (int line = 0; line < 300; ++line) {
    std::string text = "line " + std::to_string(line) + " ";
    text.append(line < 100 ? 59 - text.size() : random() % 90, '.');
    oursCategory.info(text);
    theirsCategory.info(text);
  }
  oursCategory.removeAllAppenders();
  theirsCategory.removeAllAppenders();
  int files = 0;
  for (const std::string& name : folder.entries()) {
    if (name.rfind("theirs.log", 0) != 0) continue;
    const std::string suffix = name.substr(std::string("theirs.log").size());
    EXPECT_EQ(talmeq::test::readText(ours + suffix), talmeq::test::readText(theirs + suffix)) << suffix;
    ++files;
  }
  EXPECT_GE(files, 20);
  EXPECT_EQ(folder.entries().size(), 2u * files);
}

// Lines another writer appends count within 64 lines of ours: a file pushed
// past the limit from outside is rotated within that many of our lines, long
// before our own lines alone would fill it.
TEST(Logger, RotatingFileCountsLinesWrittenByOthers) {
  talmeq::test::ScratchFolder folder;
  constexpr std::size_t kMaxBytes = 100000;
  const std::string path = folder.file("shared.log");
  log4cpp::Category& category =
      categoryWritingTo("talmeq.test.shared", logger::newRotatingFile("shared", path, kMaxBytes, 1));
  category.info("first");
  std::ofstream(path, std::ios::app) << std::string(kMaxBytes, '#') << '\n';
  int lines = 0;
  while (!std::filesystem::exists(path + ".1") && lines < 1000) category.info("line " + std::to_string(lines++));
  EXPECT_GE(lines, 1);
  EXPECT_LE(lines, 64);
  category.removeAllAppenders();
}

// Four threads logging through one rotating file: every line lands whole,
// in exactly one file, and no file grows past the limit by more than the
// line that reached it.
TEST(Logger, RotatingFileTakesLinesFromManyThreads) {
  talmeq::test::ScratchFolder folder;
  constexpr std::size_t kMaxBytes = 2000;
  constexpr int kThreads = 4, kLines = 300;
  const std::string path = folder.file("threads.log");
  log4cpp::Category& category =
      categoryWritingTo("talmeq.test.threads", logger::newRotatingFile("threads", path, kMaxBytes, 99));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&category, t] {
      for (int line = 0; line < kLines; ++line)
        category.info("thread " + std::to_string(t) + " line " + std::to_string(line));
    });
  for (auto& thread : threads) thread.join();
  category.removeAllAppenders();
  std::size_t lines = 0;
  for (const std::string& name : folder.entries()) {
    const std::string text = talmeq::test::readText(folder.file(name));
    EXPECT_LT(text.size(), kMaxBytes + 40) << name;
    for (const std::string& line : talmeq::test::readLines(folder.file(name))) {
      EXPECT_EQ(line.rfind("INFO    : thread ", 0), 0u) << line;
      ++lines;
    }
  }
  EXPECT_EQ(lines, static_cast<std::size_t>(kThreads * kLines));
  EXPECT_GE(folder.entries().size(), 10u);
}

// An appender that throws on every entry, as a network appender losing its
// peer (runtime_error), one out of memory (bad_alloc) or a foreign one would.
class ThrowingAppender final : public log4cpp::LayoutAppender {
 public:
  explicit ThrowingAppender(int fault) : LayoutAppender("throwing"), fault_(fault) {}
  void close() override {}

 protected:
  void _append(const log4cpp::LoggingEvent&) override {
    if (fault_ == 0) throw std::runtime_error("peer lost");
    if (fault_ == 1) throw std::bad_alloc();
    throw 42;
  }
  int fault_;
};

struct TwoCategories : logger::Router {
  log4cpp::Category *p, *f;
  log4cpp::Category& print() override { return *p; }
  log4cpp::Category& file() override { return *f; }
};

// A router whose print (or file) category throws on every entry: the export
// still returns its code, each failed write is counted, and the first of
// each stream is recorded once, on the other.
TEST(Logger, ThrowingAppenderCostsItsEntriesNotTheProcess) {
  std::size_t records = 0;
  for (int row = 0; row < 6; ++row) {
    auto* good = new log4cpp::StringQueueAppender("good");
    auto& throwing = categoryWritingTo("talmeq.test.throwing", new ThrowingAppender(row / 2));
    auto& writing = categoryWritingTo("talmeq.test.good", good);
    auto router = std::make_shared<TwoCategories>();
    router->p = row % 2 ? &throwing : &writing;
    router->f = row % 2 ? &writing : &throwing;
    logger::setRouter(router);
    const std::uint64_t before = logger::failedWrites();
    cv::Point spot;
    EXPECT_EQ(getSpotCoord(cv::Mat(), spot), -2) << row;
    logger::setRouter(nullptr);
    std::uint64_t delivered = 0;
    for (auto queue = good->getQueue(); !queue.empty(); queue.pop(), ++delivered)
      records += queue.front().find("could not write an entry") != std::string::npos;
    EXPECT_GE(delivered, 2u) << row;  // a start message and a failure record
    EXPECT_EQ(logger::failedWrites() - before + (row < 2), delivered) << row;
    throwing.removeAllAppenders();
    writing.removeAllAppenders();
  }
  EXPECT_EQ(records, 2u);
}

// The host's levels and callback (kOff: none) against one message and one
// failure record: "m" and "e" for what each stream and the callback get.
TEST(Logger, LevelsAndCallbackSelectTheEntries) {
  using logger::Level;
  const struct {
    Level print, file, callback;
    const char *printed, *filed, *called;
  } rows[] = {
      {Level::kInfo, Level::kInfo, Level::kOff, "me", "me", ""},
      {Level::kOff, Level::kInfo, Level::kInfo, "", "me", "me"},
      {Level::kError, Level::kOff, Level::kError, "e", "", "e"},
  };
  for (const auto& row : rows) {
    std::string printed, filed, called;
    talmeq::test::LogCapture capture;
    logger::setLevel(logger::Stream::kPrint, row.print);
    logger::setLevel(logger::Stream::kFile, row.file);
    logger::setCallback([&](Level level, const std::string&) { called += level == Level::kError ? 'e' : 'm'; },
                        row.callback);
    logger::logPrint() << "message";
    logger::logFile() << "message";
    logger::log("f.cpp", "correctYml", 1, -2);
    logger::setCallback(nullptr);
    logger::setLevel(logger::Stream::kPrint, Level::kInfo);
    logger::setLevel(logger::Stream::kFile, Level::kInfo);
    for (const auto& entry : capture.entries()) (entry.stream == "print" ? printed : filed) += entry.error ? 'e' : 'm';
    EXPECT_EQ(printed + "|" + filed + "|" + called, std::string(row.printed) + "|" + row.filed + "|" + row.called);
  }
}

}  // namespace
