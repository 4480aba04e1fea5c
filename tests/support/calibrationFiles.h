// Scratch folders and files for the tests: a fresh folder per test, whole
// files read and written as text, and the top-level keys of a calibration
// file in the order they stand.
#pragma once

#include <calibrationFile.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace talmeq::test {

// A fresh folder under the system's temporary folder, named after the
// process and the running test, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("talmeq-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::filesystem::path path_;
};

// Binary, so that the file holds exactly these bytes on Windows as well.
inline void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

inline std::vector<std::string> readLines(const std::string& path) {
  std::istringstream text(readText(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a file written in text mode on Windows
    lines.push_back(line);
  }
  return lines;
}

// A YAML file holding the given body after the header line.
inline void writeYaml(const std::string& path, const std::string& body) { writeText(path, "%YAML:1.0\n---\n" + body); }

// The top-level keys of a YAML file, in the order they stand.
inline std::vector<std::string> topLevelKeys(const std::string& path) {
  std::vector<std::string> keys;
  for (const std::string& line : readLines(path))
    if (!line.empty() && std::isalpha(static_cast<unsigned char>(line[0])) && line.find(':') != std::string::npos)
      keys.push_back(line.substr(0, line.find(':')));
  return keys;
}

inline const std::vector<std::string>& elevenKeys() {
  static const std::vector<std::string> keys = {"k",     "b",      "initialX", "initialY", "scale",  "dist",
                                                "initZ", "focusD", "RoI",      "offsetX",  "offsetY"};
  return keys;
}

// True when the YAML file's top-level keys are the eleven of a calibration,
// in their order.
inline bool holdsElevenKeysInOrder(const std::string& path) { return topLevelKeys(path) == elevenKeys(); }

// A calibration of every key, told apart by its k.
inline CalibrationValues sampleCalibration(double k) {
  return {k, -1.0 / 3, 512, 491, 0.1, 300, -31, 0.5, {459, 463, 338, -202}, 2.7, -1e-300};
}

// The ten reals of a calibration, in the order of elevenKeys() without "RoI".
inline std::array<double*, 10> realsOf(CalibrationValues& v) {
  return {&v.k, &v.b, &v.initialX, &v.initialY, &v.scale, &v.dist, &v.initZ, &v.focusD, &v.offsetX, &v.offsetY};
}

// The eleven values as one comparable (and printable) tuple.
inline auto fields(const CalibrationValues& v) {
  return std::make_tuple(v.k, v.b, v.initialX, v.initialY, v.scale, v.dist, v.initZ, v.focusD, v.roi, v.offsetX,
                         v.offsetY);
}

}  // namespace talmeq::test
