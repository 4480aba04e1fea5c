#include "simulatedStation.h"

#include <cmath>

#include "spotFrames.h"

namespace talmeq::sim {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

}  // namespace

cv::Point2d spotAtHeight(const Station& station, double height) {
  // The beam descends at its elevation angle: a plane raised by `height`
  // meets it height / tan(elevation) further along its ground direction.
  const double run = height / std::tan(station.laserElevationDeg * kDegree);
  const double azimuth = station.laserAzimuthDeg * kDegree;
  const cv::Point2d hit = station.groundHit + run * cv::Point2d(std::cos(azimuth), std::sin(azimuth));
  // Pinhole projection from the camera, which is (distance - height) above the hit.
  const double perspective = station.focalLength / (station.cameraDistance - height);
  const cv::Point2d principal(station.imageSize.width / 2.0, station.imageSize.height / 2.0);
  return principal + perspective * hit;
}

cv::Mat stationFrame(const Station& station, double height, std::uint64_t seed) {
  FrameRecipe recipe;
  recipe.size = station.imageSize;
  recipe.seed = seed;
  Spot spot;
  spot.centre = spotAtHeight(station, height);
  spot.sigma = station.spotSigma;
  spot.peak = station.spotPeak;
  recipe.spots.push_back(spot);
  return renderSpotFrame(recipe);
}

double stationScale(const Station& station) { return station.cameraDistance / station.focalLength; }

void writeStartingCalibration(const Station& station, const std::string& path) {
  cv::FileStorage storage(path, cv::FileStorage::WRITE);
  storage << "scale" << stationScale(station) << "dist" << station.cameraDistance << "initZ" << station.initZ
          << "focusD" << station.focusD;
}

}  // namespace talmeq::sim
