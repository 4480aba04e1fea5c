// Synthetic views of the calibration targets (chessboard and ArUco grid
// board) through a pinhole camera with known intrinsics, lens distortion and
// pose, with the true image positions of the targets' feature points. Views
// are deterministic: the same inputs (seed included) give the same pixels.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::sim {

// A pinhole camera with the five-coefficient lens model of OpenCV.
struct Camera {
  cv::Size size{1024, 768};
  double fx = 1150.0, fy = 1140.0;  // focal lengths, pixels
  double cx = 517.3, cy = 379.6;    // principal point, pixels
  double k1 = 0.0, k2 = 0.0, p1 = 0.0, p2 = 0.0, k3 = 0.0;

  cv::Mat matrix() const;      // 3 x 3 CV_64F
  cv::Mat distortion() const;  // 1 x 5 CV_64F: k1, k2, p1, p2, k3
  Camera withoutDistortion() const;
};

// Where the board sits: a board point X maps to R(rvec) X + tvec in the
// camera frame (x right, y down, z along the optical axis).
struct Pose {
  cv::Vec3d rvec;
  cv::Vec3d tvec;
};

// Imaging imperfections, applied after the geometric rendering.
struct ViewEffects {
  double blurSigma = 0.0;    // Gaussian blur of the optics, pixels
  double noise = 0.0;        // standard deviation of the pixel noise, grey levels
  double lighting = 0.0;     // fraction by which the light falls off across the image diagonal
  double background = 80.0;  // grey level around the board
  std::uint64_t seed = 1;
};

// A flat target: its printed face as a texture and the feature points on it.
struct Target {
  cv::Mat texture;                  // CV_32FC1 grey levels 0..255
  cv::Matx23d boardToTexture;       // board units -> texture position (pixel centres at integers)
  cv::Point2d centre;               // centre of the pattern, board units
  std::vector<cv::Point3f> points;  // feature points on the board plane (z = 0), board units
};

// A chessboard of `squares` (columns x rows) with square side `pitch` and a
// white margin of one square. Its points are the inner corners, row by row:
// (pitch * c, pitch * r, 0), the first inner corner at the board origin.
Target chessboardTarget(cv::Size squares = {18, 13}, double pitch = 15.0);

// The 9 x 6 ArUco grid board (marker side 200, separation 100, first id 0)
// of the given predefined dictionary, drawn by OpenCV, with a white margin.
// Its points are the four corners of every marker in identifier order (the
// points of marker id are 4 * id .. 4 * id + 3, clockwise from top-left).
Target arucoBoardTarget(int dictionary);

// Any ArUco grid board: `markers` (columns x rows) of side `markerLength`
// and gap `separation`, ids from `firstId` row by row. Points as above, the
// points of marker firstId + i being 4 * i .. 4 * i + 3.
Target gridBoardTarget(cv::Size markers, float markerLength, float separation, int dictionary, int firstId = 0);

// A ChArUco board of `squares` (columns x rows) of side `square` with
// markers of side `marker` (ids 0 on) in its light squares, top-left square
// dark, drawn by OpenCV. Its points are the inner chessboard corners in
// OpenCV's corner-id order: (square * (c + 1), square * (r + 1), 0) row by row.
Target charucoTarget(cv::Size squares, float square, float marker, int dictionary);

// The board centre placed at `shift` (x, y) and `distance` (z) in the camera
// frame, turned by `tiltX` and `tiltY` about the camera's x and y axes and
// spun by `spin` in its own plane (degrees).
Pose boardPose(const Target& target, double distance, double tiltX, double tiltY, double spin = 0.0,
               cv::Point2d shift = {0.0, 0.0});

// One rendered view: the CV_8UC3 image and where the target's points truly
// lie in it (distorted pixel positions, pixel centres at integers).
struct View {
  cv::Mat image;
  std::vector<cv::Point2f> points;
};

// True pixel positions of the target's points for this camera and pose.
std::vector<cv::Point2f> projectTarget(const Target& target, const Camera& camera, const Pose& pose);

// Renders the target at each pose: every output pixel is traced back through
// the lens (undistorted), its ray meets the board plane and the texture is
// sampled there (2 x 2 samples per pixel).
std::vector<View> renderViews(const Target& target, const Camera& camera, const std::vector<Pose>& poses,
                              const ViewEffects& effects = {});
View renderView(const Target& target, const Camera& camera, const Pose& pose, const ViewEffects& effects = {});

}  // namespace talmeq::sim
