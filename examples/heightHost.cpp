// A host program's height road through the talmeq library: find the laser
// spot in frames taken at known heights, fit the calibration file, then
// measure new frames with it.
//
// Usage: heightHost DIR, where DIR holds calibration.yml (the station's
// starting file), heights.csv and measure.csv (rows "height,image"), and
// the frames they name, as `talmeq simulate` writes them under height/.
#include <talmeqAlgorithm.h>

#include <cmath>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "heightRows.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: heightHost DIR\n");
    return 2;
  }
  const fs::path dir = argv[1];
  const std::string yml = (dir / "host.yml").string();
  fs::copy_file(dir / "calibration.yml", yml, fs::copy_options::overwrite_existing);

  std::vector<double> heights;
  std::vector<cv::Point> coords;
  for (const auto& [height, image] : readRows(dir / "heights.csv")) {
    cv::Point spot;
    if (getSpotCoord(cv::imread(image.string()), spot) != 0) return 1;
    heights.push_back(height);
    coords.push_back(spot);
  }
  const int fit = getCalibrationParamByLinear(heights, coords, yml);
  std::printf("host: calibration result %d from %zu frames\n", fit, heights.size());
  if (fit != 0) return 1;

  double worst = 0.0;
  for (const auto& [truth, image] : readRows(dir / "measure.csv")) {
    double height = 0.0, axisZ = 0.0;
    const int result = getPlaneHeightByLinear(cv::imread(image.string()), yml, height, axisZ);
    std::printf("host: true %.3f measured %.3f absolute %.3f result %d\n", truth, height, axisZ, result);
    if (result != 0) return 1;
    worst = std::max(worst, std::abs(height - truth));
  }
  std::printf("host: worst height error %.4f\n", worst);
  return 0;
}
