// The ArUco adapter, whichever OpenCV interface it was compiled for: boards
// it draws are found again whole, markers numbered from the first id, and
// every found point sits where its object point says on the drawn board.
#include "arucoApi.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

namespace aruco = talmeq::detail::aruco_api;

constexpr int kMargin = 40;

// A board point drawn at `scale` pixels per unit inside the margin.
cv::Point2f drawnAt(const cv::Point3f& object, double scale) {
  return {static_cast<float>(kMargin + object.x * scale), static_cast<float>(kMargin + object.y * scale)};
}

TEST(ArucoApi, GridBoardIsFoundWithEveryMarkerAtItsObjectCorners) {
  const aruco::GridBoardGeometry board{{9, 6}, 200.0f, 100.0f, aruco::kDict6x6_250, 0};
  const double scale = 0.5;  // 2600 x 1700 units
  const cv::Mat image = aruco::drawGridBoard(board, {1300 + 2 * kMargin, 850 + 2 * kMargin}, kMargin, 1);
  aruco::MarkerCorners corners;
  std::vector<int> ids;
  aruco::detectMarkers(image, board.dictionary, aruco::CornerRefinement::kSubpixel, corners, ids);
  std::vector<int> expected(54);
  std::iota(expected.begin(), expected.end(), 0);
  std::vector<int> sorted = ids;
  std::sort(sorted.begin(), sorted.end());
  ASSERT_EQ(sorted, expected);

  std::vector<cv::Point3f> objectPoints;
  std::vector<cv::Point2f> imagePoints;
  aruco::matchGridBoardPoints(board, corners, ids, objectPoints, imagePoints);
  ASSERT_EQ(imagePoints.size(), 4 * 54u);
  for (std::size_t i = 0; i < imagePoints.size(); ++i)
    EXPECT_LT(cv::norm(imagePoints[i] - drawnAt(objectPoints[i], scale)), 1.0) << i;
  aruco::matchGridBoardPoints(board, {}, {}, objectPoints, imagePoints);
  EXPECT_TRUE(objectPoints.empty() && imagePoints.empty());
}

// An odd number of rows: every OpenCV places the markers of such a board alike.
TEST(ArucoApi, CharucoBoardCornersAreFoundWithTheirObjectPointsAndIdsFromTheFirst) {
  const aruco::CharucoBoardGeometry board{{5, 7}, 100.0f, 70.0f, aruco::kDict6x6_250, 10};
  const cv::Mat image = aruco::drawCharucoBoard(board, {500 + 2 * kMargin, 700 + 2 * kMargin}, kMargin, 1);
  aruco::MarkerCorners markers;
  std::vector<int> markerIds;
  aruco::detectMarkers(image, board.dictionary, aruco::CornerRefinement::kNone, markers, markerIds);
  ASSERT_EQ(markerIds.size(), 17u);
  EXPECT_EQ(*std::min_element(markerIds.begin(), markerIds.end()), 10);
  EXPECT_EQ(*std::max_element(markerIds.begin(), markerIds.end()), 26);

  const aruco::CharucoCorners found = aruco::findCharucoCorners(image, board, aruco::CornerRefinement::kNone);
  const std::vector<cv::Point3f> all = aruco::charucoBoardCorners(board);
  ASSERT_EQ(all.size(), 24u);
  ASSERT_EQ(found.ids.size(), all.size());
  ASSERT_EQ(found.corners.size(), all.size());
  for (std::size_t i = 0; i < found.ids.size(); ++i) {
    EXPECT_EQ(found.objectPoints[i], all.at(static_cast<std::size_t>(found.ids[i])));
    EXPECT_LT(cv::norm(found.corners[i] - drawnAt(found.objectPoints[i], 1.0)), 1.0) << found.ids[i];
  }
  EXPECT_TRUE(
      aruco::findCharucoCorners(cv::Mat(200, 200, CV_8UC1, cv::Scalar(255)), board, aruco::CornerRefinement::kNone)
          .ids.empty());
}

}  // namespace
