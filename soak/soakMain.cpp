// The soak run: a week of a station in an hour. Calls all nine exports in a
// loop from several threads, each on its own calibration file, with the
// library's default logging (standard output, which scripts/soak.sh sends to
// /dev/null, and the rotating log file), and checks what a host running for
// weeks relies on: resident memory that stops growing once warm, no file
// descriptor left open, log files within the rotation settings, and every
// result equal to the first call's. The report goes to standard error; the
// exit status is 1 when a bound is broken.
#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <thread>

#include "exportRound.h"
#include "processGauge.h"

namespace {

namespace fs = std::filesystem;
using talmeq::soak::exportNames;

struct Options {
  double seconds = 60.0;
  int threads = 4;
  int warmUpRounds = 2;
  std::string folder = (fs::temp_directory_path() / "talmeq-soak").string();
  double maxGrowthMb = 5.0;
  std::uintmax_t rotateBytes = 10 * 1024 * 1024;
  int rotateBackups = 5;
};

// The longest log entry that may stand in a file beyond its rotation size:
// the rotation happens after the entry that crosses it.
constexpr std::uintmax_t kEntrySlack = 4096;

// Names the log file before anything in the process logs.
void nameLogFile(const std::string& path) {
#ifdef _WIN32
  _putenv_s("TALMEQ_LOG_FILE", path.c_str());
#else
  setenv("TALMEQ_LOG_FILE", path.c_str(), 1);
#endif
}

// The threads run their warm-up rounds, wait until the main thread has
// taken the starting measurements, then run until the deadline.
class Start {
 public:
  explicit Start(int threads) : waiting_(threads) {}
  void arriveAndWait() {
    std::unique_lock<std::mutex> lock(mutex_);
    --waiting_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_; });
  }
  void waitForAll() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return waiting_ == 0; });
  }
  void release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int waiting_;
  bool released_ = false;
};

struct Tally {
  std::atomic<long long> calls{0}, warmUpCalls{0}, rounds{0};
  std::vector<std::atomic<long long>> differing;
  explicit Tally(std::size_t exports) : differing(exports) {}
};

void runThread(const talmeq::soak::Inputs& inputs, const Options& options, int thread, Start& start,
               const std::chrono::steady_clock::time_point& deadline, Tally& tally) {
  const std::string path = (fs::path(options.folder) / ("calibration" + std::to_string(thread) + ".yml")).string();
  talmeq::soak::writeStartingCalibration(path);
  const talmeq::soak::Round first = talmeq::soak::runExportRound(inputs, thread, path);
  tally.warmUpCalls += first.calls;
  const auto runRound = [&](std::atomic<long long>& calls) {
    const talmeq::soak::Round round = talmeq::soak::runExportRound(inputs, thread, path);
    calls += round.calls;
    for (std::size_t i = 0; i < round.fingerprints.size(); ++i)
      if (round.fingerprints[i] != first.fingerprints[i]) ++tally.differing[i];
  };
  for (int i = 1; i < options.warmUpRounds; ++i) runRound(tally.warmUpCalls);
  start.arriveAndWait();
  while (std::chrono::steady_clock::now() < deadline) {
    runRound(tally.calls);
    ++tally.rounds;
  }
}

struct LogFiles {
  int count = 0;
  std::uintmax_t largest = 0, total = 0;
};

// The log file and its rotated copies ("name", "name.1", ...).
LogFiles logFiles(const fs::path& log) {
  LogFiles files;
  for (const auto& entry : fs::directory_iterator(log.parent_path())) {
    if (entry.path().filename().string().rfind(log.filename().string(), 0) != 0) continue;
    ++files.count;
    files.largest = std::max(files.largest, entry.file_size());
    files.total += entry.file_size();
  }
  return files;
}

double megabytes(double bytes) { return bytes / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
  Options options;
  CLI::App app{"talmeq soak run: all nine exports in a loop from several threads with the default logging"};
  app.add_option("--seconds", options.seconds, "How long the measured run lasts")->capture_default_str();
  app.add_option("--threads", options.threads, "Threads calling the exports")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--warm-up-rounds", options.warmUpRounds, "Rounds per thread before the starting measurements")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--folder", options.folder, "Folder for the calibration files and the log file")
      ->capture_default_str();
  app.add_option("--max-growth-mb", options.maxGrowthMb, "Largest accepted growth of resident memory, MB")
      ->capture_default_str();
  app.add_option("--rotate-bytes", options.rotateBytes, "Rotation size of the log file (the logger's default)")
      ->capture_default_str();
  app.add_option("--rotate-backups", options.rotateBackups, "Rotated copies the logger keeps (its default)")
      ->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  fs::create_directories(options.folder);
  const fs::path log = fs::path(options.folder) / "talmeqAlgorithm.log";
  nameLogFile(log.string());
  const talmeq::soak::Inputs inputs = talmeq::soak::prepareInputs();

  Tally tally(exportNames().size());
  Start start(options.threads);
  std::chrono::steady_clock::time_point deadline;
  std::vector<std::thread> threads;
  for (int t = 0; t < options.threads; ++t)
    threads.emplace_back([&, t] { runThread(inputs, options, t, start, deadline, tally); });
  start.waitForAll();
  const std::size_t residentStart = talmeq::soak::residentBytes(), descriptorsStart = talmeq::soak::openDescriptors();
  const auto begin = std::chrono::steady_clock::now();
  deadline = begin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(options.seconds));
  start.release();
  for (std::thread& thread : threads) thread.join();
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  const std::size_t residentEnd = talmeq::soak::residentBytes(), descriptorsEnd = talmeq::soak::openDescriptors();
  const LogFiles files = logFiles(log);

  long long differing = 0;
  for (const auto& count : tally.differing) differing += count;
  const double growth = megabytes(static_cast<double>(residentEnd) - static_cast<double>(residentStart));
  const bool memoryOk = growth < options.maxGrowthMb;
  const bool descriptorsOk = descriptorsEnd == descriptorsStart;
  const bool logOk = files.count >= 1 && files.count <= 1 + options.rotateBackups &&
                     files.largest <= options.rotateBytes + kEntrySlack;
  std::cerr << "soak: " << elapsed << " s, " << options.threads << " threads, " << tally.calls << " calls in "
            << tally.rounds << " rounds of the nine exports (" << tally.warmUpCalls << " warm-up calls before)\n"
            << "soak: resident memory " << megabytes(residentStart) << " MB after warm-up, " << megabytes(residentEnd)
            << " MB at the end: " << growth << " MB growth (bound " << options.maxGrowthMb << " MB)"
            << (memoryOk ? "" : "  BROKEN") << "\n"
            << "soak: open file descriptors " << descriptorsStart << " after warm-up, " << descriptorsEnd
            << " at the end" << (descriptorsOk ? "" : "  BROKEN") << "\n"
            << "soak: log files " << files.count << ", largest " << files.largest << " bytes, " << files.total
            << " bytes in all (bounds: " << 1 + options.rotateBackups << " files of " << options.rotateBytes
            << " bytes and one entry)" << (logOk ? "" : "  BROKEN") << "\n"
            << "soak: results differing from the thread's first call: " << differing << (differing ? "  BROKEN" : "")
            << "\n";
  for (std::size_t i = 0; i < tally.differing.size(); ++i)
    if (tally.differing[i] > 0) std::cerr << "soak:   " << exportNames()[i] << ": " << tally.differing[i] << "\n";
  const bool passed = memoryOk && descriptorsOk && logOk && differing == 0 && tally.calls > 0;
  std::cerr << "soak: " << (passed ? "passed" : "FAILED") << "\n";
  return passed ? 0 : 1;
}
