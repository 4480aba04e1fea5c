#include "sweepWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <stdexcept>

namespace talmeq::sim {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kSweepSeed = 9000;  // pixel noise of the sweep's frames

std::string frameName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "sweep_%04d.png", index);
  return name;
}

std::string secondsText(double seconds) {
  std::ostringstream text;
  text << seconds;
  return text.str();
}

}  // namespace

void writeSweepDataset(const std::string& dir, const Station& station, const SweepDesign& design) {
  const fs::path folder = fs::u8path(dir) / "sweep";
  fs::create_directories(folder);
  std::ofstream csv(folder / "sweep.csv"), truth(folder / "truth.csv");
  csv.precision(10);
  truth.precision(10);
  csv << "height,image,time\n";
  truth << "image,trueHeight,time\n";
  int index = 0;
  const auto frame = [&](double nominal, double trueHeight, const std::string& time) {
    const std::string name = frameName(index);
    if (!cv::imwrite((folder / name).string(), stationFrame(station, trueHeight, kSweepSeed + index)))
      throw std::runtime_error("cannot write " + (folder / name).string());
    csv << nominal << ',' << name << (time.empty() ? "" : "," + time) << '\n';
    truth << name << ',' << trueHeight << ',' << time << '\n';
    ++index;
  };
  for (int h = 0; h < design.heights; ++h) {
    const double height = design.low + (design.high - design.low) * h / (design.heights - 1);
    for (int r = 0; r < design.repeats; ++r) frame(height, height, "");
  }
  for (int s = 0; s < design.stabilitySamples; ++s) {
    const double seconds = s * design.stabilityInterval;
    frame(design.stabilityHeight, design.stabilityHeight + design.driftPerMinute * seconds / 60.0,
          secondsText(seconds));
  }
  cv::FileStorage record((folder / "truth.yml").string(), cv::FileStorage::WRITE);
  record << "heights" << design.heights << "low" << design.low << "high" << design.high << "repeats" << design.repeats
         << "stabilitySamples" << design.stabilitySamples << "stabilityHeight" << design.stabilityHeight
         << "stabilityInterval" << design.stabilityInterval << "driftPerMinute" << design.driftPerMinute;
  if (!csv || !truth) throw std::runtime_error("cannot write the sweep's tables in " + folder.string());
}

}  // namespace talmeq::sim
