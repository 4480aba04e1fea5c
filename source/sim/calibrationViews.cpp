#include "calibrationViews.h"

#include <cmath>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include "arucoApi.h"

namespace talmeq::sim {
namespace {

constexpr int kSupersample = 2;       // samples per pixel along each axis
constexpr double kTextureBlur = 0.6;  // softens texture edges against aliasing, texture pixels
constexpr float kInk = 30.0f;         // grey level of the printed black
constexpr float kPaper = 225.0f;      // grey level of the paper
constexpr int kChessPixelsPerSquare = 48;
constexpr double kArucoPixelsPerUnit = 0.8;  // marker 160 px, separation 80 px in the texture
constexpr int kArucoMargin = 40;             // texture pixels of white around the markers
constexpr int kBoardMarkersX = 9, kBoardMarkersY = 6;
constexpr float kMarkerLength = 200.0f, kMarkerSeparation = 100.0f;
constexpr double kMarkerPixels = 160.0;  // texture pixels across a marker of a described grid

// Ink/paper texture from an 8-bit drawing (0 = ink, 255 = paper), softened.
cv::Mat inkOnPaper(const cv::Mat& drawing) {
  cv::Mat texture;
  drawing.convertTo(texture, CV_32F, (kPaper - kInk) / 255.0, kInk);
  cv::GaussianBlur(texture, texture, cv::Size(), kTextureBlur);
  return texture;
}

cv::Matx33d rotationDeg(double tiltX, double tiltY, double spin) {
  const double a = tiltX * CV_PI / 180.0, b = tiltY * CV_PI / 180.0, c = spin * CV_PI / 180.0;
  const cv::Matx33d rx(1, 0, 0, 0, std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a));
  const cv::Matx33d ry(std::cos(b), 0, std::sin(b), 0, 1, 0, -std::sin(b), 0, std::cos(b));
  const cv::Matx33d rz(std::cos(c), -std::sin(c), 0, std::sin(c), std::cos(c), 0, 0, 0, 1);
  return rx * ry * rz;
}

// Normalised ray (x/z, y/z) of every sample position of the output image:
// the lens distortion undone by iteration to well below a thousandth of a pixel.
cv::Mat sampleRays(const Camera& camera) {
  const cv::Size grid(camera.size.width * kSupersample, camera.size.height * kSupersample);
  std::vector<cv::Point2f> positions;
  positions.reserve(static_cast<std::size_t>(grid.area()));
  for (int j = 0; j < grid.height; ++j)
    for (int i = 0; i < grid.width; ++i)
      positions.emplace_back(static_cast<float>((i + 0.5) / kSupersample - 0.5),
                             static_cast<float>((j + 0.5) / kSupersample - 0.5));
  std::vector<cv::Point2f> rays;
  const cv::TermCriteria criteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 50, 1e-6);
  cv::undistortPoints(positions, rays, camera.matrix(), camera.distortion(), cv::noArray(), cv::noArray(), criteria);
  return cv::Mat(rays, true).reshape(2, grid.height);
}

// Texture position of every sample: ray -> board plane -> texture. Rays that
// miss the plane (behind the camera) land far outside the texture.
void textureMaps(const Target& target, const Pose& pose, const cv::Mat& rays, cv::Mat& mapX, cv::Mat& mapY) {
  cv::Matx33d r;
  cv::Rodrigues(pose.rvec, r);
  const cv::Matx33d boardToRay(r(0, 0), r(0, 1), pose.tvec[0], r(1, 0), r(1, 1), pose.tvec[1], r(2, 0), r(2, 1),
                               pose.tvec[2]);
  const cv::Matx23d& a = target.boardToTexture;
  const cv::Matx33d toTexture =
      cv::Matx33d(a(0, 0), a(0, 1), a(0, 2), a(1, 0), a(1, 1), a(1, 2), 0, 0, 1) * boardToRay.inv();
  mapX.create(rays.size(), CV_32F);
  mapY.create(rays.size(), CV_32F);
  for (int j = 0; j < rays.rows; ++j) {
    const auto* ray = rays.ptr<cv::Vec2f>(j);
    auto* mx = mapX.ptr<float>(j);
    auto* my = mapY.ptr<float>(j);
    for (int i = 0; i < rays.cols; ++i) {
      const cv::Vec3d p = toTexture * cv::Vec3d(ray[i][0], ray[i][1], 1.0);
      const bool inFront = p[2] > 0.0;
      mx[i] = inFront ? static_cast<float>(p[0] / p[2]) : -1e6f;
      my[i] = inFront ? static_cast<float>(p[1] / p[2]) : -1e6f;
    }
  }
}

// Blur, light fall-off along the diagonal and noise on a float grey image.
void applyEffects(cv::Mat& grey, const ViewEffects& effects) {
  if (effects.blurSigma > 0.0) cv::GaussianBlur(grey, grey, cv::Size(), effects.blurSigma);
  if (effects.lighting > 0.0) {
    for (int y = 0; y < grey.rows; ++y) {
      auto* row = grey.ptr<float>(y);
      for (int x = 0; x < grey.cols; ++x) {
        const double along = 0.5 * (static_cast<double>(x) / grey.cols + static_cast<double>(y) / grey.rows);
        row[x] *= static_cast<float>(1.0 - effects.lighting * along);
      }
    }
  }
  if (effects.noise > 0.0) {
    cv::Mat noise(grey.size(), CV_32F);
    cv::RNG rng(effects.seed);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, effects.noise);
    grey += noise;
  }
}

View renderWithRays(const Target& target, const Camera& camera, const Pose& pose, const ViewEffects& effects,
                    const cv::Mat& rays) {
  cv::Mat mapX, mapY, samples, grey;
  textureMaps(target, pose, rays, mapX, mapY);
  cv::remap(target.texture, samples, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
            cv::Scalar::all(effects.background));
  cv::resize(samples, grey, camera.size, 0, 0, cv::INTER_AREA);  // 2 x 2 sample average
  applyEffects(grey, effects);
  cv::Mat grey8, image;
  grey.convertTo(grey8, CV_8U);
  cv::cvtColor(grey8, image, cv::COLOR_GRAY2BGR);
  return {image, projectTarget(target, camera, pose)};
}

// A marker board drawn by OpenCV (`draw` of the drawing's size) at
// `pixelsPerUnit` with a white margin, `extent` board units across and down;
// its points are the corners of every marker. OpenCV draws board (0, 0) at
// the top-left corner of the board, x to the right and y downwards.
template <typename Draw>
Target drawnBoardTarget(const detail::aruco_api::BoardMarkers& markers, cv::Point2d extent, double pixelsPerUnit,
                        Draw draw) {
  Target target;
  for (const std::vector<cv::Point3f>& marker : markers.corners)
    target.points.insert(target.points.end(), marker.begin(), marker.end());
  const cv::Size drawn(static_cast<int>(std::lround(extent.x * pixelsPerUnit)) + 2 * kArucoMargin,
                       static_cast<int>(std::lround(extent.y * pixelsPerUnit)) + 2 * kArucoMargin);
  target.texture = inkOnPaper(draw(drawn));
  const double offset = kArucoMargin - 0.5;
  target.boardToTexture = cv::Matx23d(pixelsPerUnit, 0, offset, 0, pixelsPerUnit, offset);
  target.centre = {extent.x / 2.0, extent.y / 2.0};
  return target;
}

Target gridTarget(cv::Size markers, float markerLength, float separation, int dictionary, int firstId,
                  double pixelsPerUnit) {
  const detail::aruco_api::GridBoardGeometry board{markers, markerLength, separation, dictionary, firstId};
  const cv::Point2d extent(markers.width * markerLength + (markers.width - 1) * separation,
                           markers.height * markerLength + (markers.height - 1) * separation);
  return drawnBoardTarget(detail::aruco_api::gridBoardMarkers(board), extent, pixelsPerUnit, [&](cv::Size size) {
    return detail::aruco_api::drawGridBoard(board, size, kArucoMargin, 1);
  });
}

}  // namespace

cv::Mat Camera::matrix() const { return (cv::Mat_<double>(3, 3) << fx, 0, cx, 0, fy, cy, 0, 0, 1); }

cv::Mat Camera::distortion() const { return (cv::Mat_<double>(1, 5) << k1, k2, p1, p2, k3); }

Camera Camera::withoutDistortion() const {
  Camera ideal = *this;
  ideal.k1 = ideal.k2 = ideal.p1 = ideal.p2 = ideal.k3 = 0.0;
  return ideal;
}

Target chessboardTarget(cv::Size squares, double pitch) {
  const int s = kChessPixelsPerSquare;
  cv::Mat drawing(cv::Size((squares.width + 2) * s, (squares.height + 2) * s), CV_8U, cv::Scalar(255));
  for (int r = 0; r < squares.height; ++r)
    for (int c = 0; c < squares.width; ++c)
      if ((r + c) % 2 == 0) drawing(cv::Rect((c + 1) * s, (r + 1) * s, s, s)).setTo(0);
  Target target;
  target.texture = inkOnPaper(drawing);
  // Board x = -pitch is the left edge of the first square, one square in.
  const double scale = s / pitch;
  target.boardToTexture = cv::Matx23d(scale, 0, 2 * s - 0.5, 0, scale, 2 * s - 0.5);
  for (int r = 0; r < squares.height - 1; ++r)
    for (int c = 0; c < squares.width - 1; ++c)
      target.points.emplace_back(static_cast<float>(pitch * c), static_cast<float>(pitch * r), 0.0f);
  target.centre = {pitch * (squares.width - 2) / 2.0, pitch * (squares.height - 2) / 2.0};
  return target;
}

Target arucoBoardTarget(int dictionary) {
  return gridTarget({kBoardMarkersX, kBoardMarkersY}, kMarkerLength, kMarkerSeparation, dictionary, 0,
                    kArucoPixelsPerUnit);
}

Target gridBoardTarget(cv::Size markers, float markerLength, float separation, int dictionary, int firstId) {
  return gridTarget(markers, markerLength, separation, dictionary, firstId, kMarkerPixels / markerLength);
}

Target charucoTarget(cv::Size squares, float square, float marker, int dictionary) {
  const detail::aruco_api::CharucoBoardGeometry board{squares, square, marker, dictionary, 0};
  Target target = drawnBoardTarget(
      detail::aruco_api::charucoBoardMarkers(board), {squares.width * square, squares.height * square},
      kChessPixelsPerSquare / square,
      [&](cv::Size size) { return detail::aruco_api::drawCharucoBoard(board, size, kArucoMargin, 1); });
  target.points = detail::aruco_api::charucoBoardCorners(board);
  return target;
}

Pose boardPose(const Target& target, double distance, double tiltX, double tiltY, double spin, cv::Point2d shift) {
  const cv::Matx33d r = rotationDeg(tiltX, tiltY, spin);
  const cv::Vec3d centre = r * cv::Vec3d(target.centre.x, target.centre.y, 0.0);
  Pose pose;
  cv::Rodrigues(r, pose.rvec);
  pose.tvec = cv::Vec3d(shift.x, shift.y, distance) - centre;
  return pose;
}

std::vector<cv::Point2f> projectTarget(const Target& target, const Camera& camera, const Pose& pose) {
  std::vector<cv::Point2f> projected;
  cv::projectPoints(target.points, pose.rvec, pose.tvec, camera.matrix(), camera.distortion(), projected);
  return projected;
}

std::vector<View> renderViews(const Target& target, const Camera& camera, const std::vector<Pose>& poses,
                              const ViewEffects& effects) {
  const cv::Mat rays = sampleRays(camera);
  std::vector<View> views;
  views.reserve(poses.size());
  for (const Pose& pose : poses) views.push_back(renderWithRays(target, camera, pose, effects, rays));
  return views;
}

View renderView(const Target& target, const Camera& camera, const Pose& pose, const ViewEffects& effects) {
  return renderViews(target, camera, {pose}, effects).front();
}

}  // namespace talmeq::sim
