// A complete synthetic dataset on disk, from the simulated station and a
// simulated camera, in the layout a station's own data would have. Each
// writer takes the dataset's root folder and fills one subfolder of it
// (created as needed):
//
//   height/calibration.yml  starting calibration file: "scale", "dist",
//                           "initZ" and "focusD" only
//   height/heights.csv      "height,image" header, then one row per
//                           calibration frame (image relative to the CSV)
//   height/calib_NN.png     spot frames at heights 0, 5, ..., 30
//   height/measure.csv      "height,image": the true heights of the
//                           measurement frames
//   height/measure_NN.png   spot frames at 20 heights inside 0..30, none of
//                           them a calibration height
//   chess/chess.png         one view of the 17 x 12 inner-corner chessboard
//   chess/view_NN.png       views of the chessboard moved over the whole
//                           image at varied tilts, for a many-view calibration
//   chess/camera_truth.yml  the true camera (camera file layout)
//   aruco/view_NN.png       views of the 9 x 6 DICT_6X6_250 board at varied poses
//   aruco/camera_truth.yml  the true camera
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calibrationViews.h"
#include "simulatedStation.h"

namespace talmeq::sim {

// Heights of the calibration frames: 0, 5, ..., 30.
std::vector<double> datasetCalibrationHeights();

// True heights of the measurement frames: 0.75, 2.25, ..., 29.25.
std::vector<double> datasetMeasureHeights();

// The station the height frames come from (the default one).
Station datasetStation();

// The camera of the chessboard and ArUco views: 1024 x 768 with moderate
// barrel distortion.
Camera datasetCamera();

// The chessboard pose of the chess view, and the ArUco board poses of the
// views (varied tilts and spins, the board filling much of the image).
Pose datasetChessPose(const Target& chess);
std::vector<Pose> datasetChessViewPoses(const Target& chess);
std::vector<Pose> datasetArucoPoses(const Target& board);

// The poses of the dataset's ArUco views: those above, then four that move
// the board out towards the image's edges, for a many-view calibration.
std::vector<Pose> datasetArucoViewPoses(const Target& board, std::uint64_t seedShift = 0);

// Blur, noise and uneven lighting of the chessboard's many views and of the
// ArUco views.
ViewEffects datasetArucoEffects();

// `seedShift` moves the seeds of the frames' noise (height) and of the
// covering views' poses (ArUco): another dataset of the same station.
void writeHeightDataset(const std::string& dir, std::uint64_t seedShift = 0);
void writeChessDataset(const std::string& dir);
void writeArucoDataset(const std::string& dir, std::uint64_t seedShift = 0);

// All three.
void writeDataset(const std::string& dir);

}  // namespace talmeq::sim
