// A simulated height-measurement station: a camera looking straight down at
// the work plane and a laser that hits the plane at an angle. As the plane
// rises, the laser's hit point slides along the beam's ground direction and
// comes closer to the camera, so the spot moves along a straight image line;
// its projected displacement is exactly linear in the height, which is the
// model the linear height calibration fits.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>

namespace talmeq::sim {

struct Station {
  cv::Size imageSize{1280, 1024};
  double cameraDistance = 300.0;        // camera centre above the plane at height 0 (height units)
  double focalLength = 3000.0;          // pixels; the principal point is the image centre
  double laserElevationDeg = 45.0;      // beam angle above the plane
  double laserAzimuthDeg = 30.0;        // ground direction in which the hit point moves as the plane rises
  cv::Point2d groundHit{-12.8, -2.05};  // hit point at height 0, from the optical axis (height units)
  double initZ = -31.0;                 // offsets that make every absolute height of 0..30 lie in -32..0
  double focusD = 0.5;
  double spotSigma = 2.2;   // laser spot profile, pixels
  double spotPeak = 900.0;  // saturates the spot's core
};

// Sub-pixel image position of the spot with the plane at relative `height`.
cv::Point2d spotAtHeight(const Station& station, double height);

// A CV_8UC3 frame of the plane at `height`; `seed` varies the pixel noise.
cv::Mat stationFrame(const Station& station, double height, std::uint64_t seed = 1);

// Length per pixel on the plane at height 0: the file's "scale".
double stationScale(const Station& station);

// Writes the calibration file the station starts from: "scale", "dist",
// "initZ" and "focusD" fitting its geometry, nothing else.
void writeStartingCalibration(const Station& station, const std::string& path);

}  // namespace talmeq::sim
