// A host program's height road through the precision layer: read the
// laser spot to a fraction of a pixel in frames taken at known heights,
// fit the calibration file from those centres, then measure new frames with
// a height uncertainty.
//
// Usage: preciseHost DIR, with DIR as for heightHost.
#include <talmeq/precision.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "heightRows.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: preciseHost DIR\n");
    return 2;
  }
  const fs::path dir = argv[1];
  const std::string yml = (dir / "precise.yml").string();
  fs::copy_file(dir / "calibration.yml", yml, fs::copy_options::overwrite_existing);

  std::vector<double> heights;
  std::vector<cv::Point2d> centres;
  for (const auto& [height, image] : readRows(dir / "heights.csv")) {
    const talmeq::SpotReading spot = talmeq::readSpot(cv::imread(image.string()));
    if (!spot.hasCentre() || spot.status == talmeq::SpotStatus::kAmbiguous) return 1;
    heights.push_back(height);
    centres.push_back(spot.centre);
  }
  const talmeq::HeightModel model = talmeq::fitHeightModel(heights, centres, yml);
  std::printf("host: calibration %s, average error %.5f\n", talmeq::toText(model.status), model.averageError);
  if (model.status != talmeq::ModelStatus::kWritten) return 1;

  double worst = 0.0;
  for (const auto& [truth, image] : readRows(dir / "measure.csv")) {
    const talmeq::HeightReading r = talmeq::readHeight(cv::imread(image.string()), yml);
    std::printf("host: true %.3f measured %.4f +- %.4f absolute %.4f %s\n", truth, r.height, r.heightUncertainty,
                r.axisZ, talmeq::toText(r.status));
    if (r.status != talmeq::HeightStatus::kMeasured) return 1;
    worst = std::max(worst, std::abs(r.height - truth));
  }
  std::printf("host: worst height error %.4f\n", worst);
  return 0;
}
