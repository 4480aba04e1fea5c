// The per-thread workspaces of the per-frame calls: one per thread, destroyed
// whole when the thread ends; released after a run of
// frames much smaller than the largest, kept otherwise; and a call made again
// on the same thread from inside a log router's appender (a host that
// measures another frame while the first is being logged) leaves the outer
// call's results and log lines as they are without it.
#include <gtest/gtest.h>
#include <spotFrames.h>
#include <talmeq/precision.h>
#include <talmeqAlgorithm.h>
#include <threadOwned.h>
#include <threadWorkspace.h>

#include <atomic>
#include <log4cpp/AppenderSkeleton.hh>
#include <log4cpp/Category.hh>
#include <thread>

#include "logCapture.h"

namespace {

namespace sim = talmeq::sim;

struct Buffer {
  std::vector<int> values;
};
using BufferWorkspace = talmeq::detail::ThreadWorkspace<Buffer>;

// One call on a frame of `size` that grows the workspace to the frame's area.
std::size_t callOn(cv::Size size) {
  const BufferWorkspace::Scope scope(size);
  std::vector<int>& values = BufferWorkspace::current().values;
  if (values.size() < static_cast<std::size_t>(size.area())) values.resize(size.area());
  return values.capacity();
}

TEST(ThreadWorkspace, ReleasedOnlyAfterARunOfMuchSmallerFrames) {
  const cv::Size large(2000, 1000), usual(640, 480), quarter(1000, 500);
  callOn(large);
  // A quarter of the largest area is not much smaller: it never releases.
  for (int i = 0; i < 3 * talmeq::detail::kShrinkAfterCalls; ++i) ASSERT_GE(callOn(quarter), large.area());
  for (int i = 1; i < talmeq::detail::kShrinkAfterCalls; ++i) ASSERT_GE(callOn(usual), large.area()) << i;
  EXPECT_EQ(callOn(usual), usual.area());
  // A larger frame in the middle of a run starts the count again.
  callOn(large);
  for (int i = 1; i < talmeq::detail::kShrinkAfterCalls; ++i) callOn(usual);
  callOn(large);
  EXPECT_GE(callOn(usual), large.area());
}

// A per-thread object that counts how it is made and destroyed, and whether
// it is still whole when destroyed: a destructor that runs on freed storage
// finds its first word overwritten by the heap's own bookkeeping.
struct ThreadProbe {
  static constexpr std::uint64_t kWhole = 0x7a1e3c5b9d2f4e61;
  static inline std::atomic<int> made{0}, destroyedWhole{0}, destroyedBroken{0};
  std::uint64_t mark = kWhole;
  std::vector<int> payload = std::vector<int>(4096, 7);
  ThreadProbe() { ++made; }
  ~ThreadProbe() {
    ++(mark == kWhole && payload.size() == 4096 && payload.back() == 7 ? destroyedWhole : destroyedBroken);
    mark = 0;
  }
};

TEST(ThreadOwned, OneObjectPerThreadDestroyedWholeWhenItEnds) {
  constexpr int kBatches = 8, kThreads = 8;
  std::atomic<int> sameObject{0};
  ThreadProbe& own = talmeq::detail::threadOwned<ThreadProbe>();
  for (int batch = 0; batch < kBatches; ++batch) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&] {
        ThreadProbe& first = talmeq::detail::threadOwned<ThreadProbe>();
        // Other threads allocate while this one ends, so freed storage is reused.
        std::vector<std::vector<int>> churn(64, std::vector<int>(512, 1));
        if (&talmeq::detail::threadOwned<ThreadProbe>() == &first && &first != &own) ++sameObject;
      });
    for (std::thread& thread : threads) thread.join();
  }
  EXPECT_EQ(sameObject, kBatches * kThreads);
  EXPECT_EQ(ThreadProbe::made, kBatches * kThreads + 1);  // the ended threads' and this thread's
  EXPECT_EQ(ThreadProbe::destroyedWhole, kBatches * kThreads);
  EXPECT_EQ(ThreadProbe::destroyedBroken, 0);
}

// A router whose appender, at the first report of a candidate, runs `work`
// (which may call the library again) and otherwise keeps the entries' texts. The
// entries of a call made from inside the appender go to a category of their
// own, since a log4cpp category holds its appenders' lock while it appends.
class ReenteringRouter : public logger::Router {
 public:
  ReenteringRouter(std::vector<std::string>& texts, std::function<void()> work)
      : appender_(*this, texts, std::move(work)) {
    for (log4cpp::Category* category : {&outer_, &inner_}) {
      category->removeAllAppenders();
      category->setAdditivity(false);
      category->setPriority(log4cpp::Priority::INFO);
    }
    outer_.addAppender(appender_);  // not owned
  }
  ~ReenteringRouter() override { outer_.removeAllAppenders(); }
  log4cpp::Category& print() override { return inside_ ? inner_ : outer_; }
  log4cpp::Category& file() override { return print(); }

 private:
  class Appender : public log4cpp::AppenderSkeleton {
   public:
    Appender(ReenteringRouter& router, std::vector<std::string>& texts, std::function<void()> work)
        : AppenderSkeleton("reentering"), router_(router), texts_(texts), work_(std::move(work)) {}
    void close() override {}
    bool requiresLayout() const override { return false; }
    void setLayout(log4cpp::Layout*) override {}

   protected:
    void _append(const log4cpp::LoggingEvent& event) override {
      texts_.push_back(event.message);
      if (!work_ || event.message.rfind("getSpotCoord: area", 0) != 0) return;
      std::function<void()> work = std::move(work_);
      work_ = nullptr;
      router_.inside_ = true;
      work();
      router_.inside_ = false;
    }

   private:
    ReenteringRouter& router_;
    std::vector<std::string>& texts_;
    std::function<void()> work_;
  };

  bool inside_ = false;
  Appender appender_;
  log4cpp::Category& outer_ = log4cpp::Category::getInstance("reentering.outer");
  log4cpp::Category& inner_ = log4cpp::Category::getInstance("reentering.inner");
};

struct SpotCall {
  int code = 0;
  cv::Point coord;
  std::vector<std::string> log;
};

// getSpotCoord on `frame`, with `work` run from inside its report of the
// first candidate, while the call walks its list of candidates.
SpotCall spotCoordWith(const cv::Mat& frame, std::function<void()> work) {
  SpotCall call;
  logger::setRouter(std::make_shared<ReenteringRouter>(call.log, std::move(work)));
  call.code = getSpotCoord(frame, call.coord);
  logger::setRouter(nullptr);
  return call;
}

TEST(ThreadWorkspace, ALogRouterThatMeasuresAgainLeavesTheCallIntact) {
  // A frame whose report walks several candidates, and a larger one whose
  // detection grows every buffer those candidates live in.
  sim::FrameRecipe busy = sim::randomSpotFrame(7);
  for (int i = 0; i < 4; ++i) busy.spots.push_back({{400.0 + 25 * i, 300.0}, 2.0, 900.0});
  const cv::Mat outerFrame = sim::renderSpotFrame(busy);
  const cv::Mat innerFrame = sim::renderSpotFrame(sim::randomSpotFrame(8, {2048, 1536}));
  const SpotCall alone = spotCoordWith(outerFrame, nullptr);
  ASSERT_GE(std::count_if(alone.log.begin(), alone.log.end(),
                          [](const std::string& text) { return text.rfind("getSpotCoord: area", 0) == 0; }),
            2);

  cv::Point innerCoord, innerAlone;
  const int innerCode = getSpotCoord(innerFrame, innerAlone);
  talmeq::SpotReading innerReading;
  const SpotCall reentered = spotCoordWith(outerFrame, [&] {
    EXPECT_EQ(getSpotCoord(innerFrame, innerCoord), innerCode);
    innerReading = talmeq::readSpot(innerFrame);
  });
  EXPECT_EQ(reentered.code, alone.code);
  EXPECT_EQ(reentered.coord, alone.coord);
  EXPECT_EQ(reentered.log, alone.log);
  EXPECT_EQ(innerCoord, innerAlone);
  EXPECT_EQ(innerReading.centre, talmeq::readSpot(innerFrame).centre);
}

}  // namespace
