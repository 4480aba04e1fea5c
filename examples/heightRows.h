// The "height,image" files of a simulated station's height folder, as the
// example hosts read them.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

// The rows of a "height,image" file, after its header line.
inline std::vector<std::pair<double, fs::path>> readRows(const fs::path& csv) {
  std::vector<std::pair<double, fs::path>> rows;
  std::ifstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string height, image;
    if (std::getline(fields, height, ',') && std::getline(fields, image))
      rows.emplace_back(std::stod(height), csv.parent_path() / image);
  }
  return rows;
}
