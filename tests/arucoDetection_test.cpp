// getArucoCorners on rendered views of the calibration board: every marker
// with its identifier and true corners, only the visible ones of a cropped
// view, none of another dictionary and a single drawn marker. The function
// writes no messages.
#include <gtest/gtest.h>

#include <opencv2/aruco.hpp>

#include <talmeqAlgorithm.h>

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "calibrationScenes.h"
#include "logCapture.h"

namespace {

using talmeq::test::LogCapture;
using Markers = std::vector<std::vector<cv::Point2f>>;

constexpr int kBoardMarkers = 54;
// The detector's corners are not refined: they sit on the outer contour
// pixels, up to about a pixel inside the true marker edge.
constexpr double kMaxCornerError = 1.5;  // pixels
constexpr int kCropMargin = 3;           // pixels a marker must keep from the crop edge to count as visible

// The true corners of marker `id` in a view of the ArUco target.
std::vector<cv::Point2f> trueMarker(const talmeq::sim::View& view, int id) {
  const auto first = view.points.begin() + 4 * id;
  return {first, first + 4};
}

// Worst distance between detected and true corners, corner by corner.
double worstCornerError(const talmeq::sim::View& view, const std::vector<int>& ids, const Markers& corners) {
  double worst = 0.0;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const std::vector<cv::Point2f> truth = trueMarker(view, ids[i]);
    for (int k = 0; k < 4; ++k) worst = std::max(worst, static_cast<double>(cv::norm(corners[i][k] - truth[k])));
  }
  return worst;
}

class ArucoDetection : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    const talmeq::sim::Target board = talmeq::sim::arucoBoardTarget(cv::aruco::DICT_6X6_250);
    view_ = talmeq::sim::renderView(board, talmeq::test::distortedCamera(), talmeq::test::arucoPoses(board)[5]);
  }
  static inline talmeq::sim::View view_;
};

TEST_F(ArucoDetection, CleanViewGivesAll54MarkersWithTheirTrueCorners) {
  LogCapture capture;
  std::vector<int> ids;
  Markers corners;
  ASSERT_EQ(getArucoCorners(view_.image, ids, corners), 0);
  EXPECT_TRUE(capture.printed().empty());
  EXPECT_TRUE(capture.filed().empty());
  ASSERT_EQ(ids.size(), corners.size());
  std::vector<int> sorted = ids, expected(kBoardMarkers);
  std::sort(sorted.begin(), sorted.end());
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(sorted, expected);
  const double worst = worstCornerError(view_, ids, corners);
  std::printf("getArucoCorners: %zu markers, worst corner error %.3f px\n", ids.size(), worst);
  EXPECT_LT(worst, kMaxCornerError);
}

TEST_F(ArucoDetection, CroppedViewGivesOnlyTheMarkersInsideTheCrop) {
  const cv::Rect crop(0, 0, view_.image.cols / 2, view_.image.rows * 2 / 3);
  std::vector<int> ids;
  Markers corners;
  ASSERT_EQ(getArucoCorners(view_.image(crop), ids, corners), 0);
  EXPECT_LT(worstCornerError(view_, ids, corners), kMaxCornerError);

  const cv::Rect inner(crop.x + kCropMargin, crop.y + kCropMargin, crop.width - 2 * kCropMargin,
                       crop.height - 2 * kCropMargin);
  int visible = 0;
  for (int id = 0; id < kBoardMarkers; ++id) {
    const std::vector<cv::Point2f> truth = trueMarker(view_, id);
    const bool inside = std::all_of(truth.begin(), truth.end(), [&](cv::Point2f p) { return inner.contains(p); });
    const bool outside = std::none_of(truth.begin(), truth.end(), [&](cv::Point2f p) { return crop.contains(p); });
    const bool found = std::find(ids.begin(), ids.end(), id) != ids.end();
    visible += inside;
    if (inside) {
      EXPECT_TRUE(found) << "visible marker " << id << " missed";
    }
    if (outside) {
      EXPECT_FALSE(found) << "marker " << id << " outside the crop reported";
    }
  }
  EXPECT_GT(visible, 0);
  EXPECT_LT(ids.size(), static_cast<std::size_t>(kBoardMarkers));
}

TEST_F(ArucoDetection, BoardOfAnotherDictionaryGivesNoneAndEmptiesTheOutputs) {
  const talmeq::sim::Target other = talmeq::sim::arucoBoardTarget(cv::aruco::DICT_5X5_100);
  const cv::Mat image = talmeq::sim::renderView(other, talmeq::test::distortedCamera(),
                                                talmeq::test::arucoPoses(other)[0]).image;
  LogCapture capture;
  std::vector<int> ids = {3, 4};
  Markers corners = {{{1, 1}, {2, 2}, {3, 3}, {4, 4}}};
  EXPECT_EQ(getArucoCorners(image, ids, corners), -1);
  EXPECT_TRUE(ids.empty());
  EXPECT_TRUE(corners.empty());
  const std::vector<std::string> printed = capture.printed();
  ASSERT_EQ(printed.size(), 1u);  // the failure record only
  EXPECT_EQ(printed[0].rfind(talmeq::test::failurePrefix("getArucoCorners", -1) + " at ", 0), 0u);
  EXPECT_EQ(capture.failures(), printed);
}

TEST(ArucoSingleMarker, OneDrawnMarkerGivesOneIdentifierAndItsFourCorners) {
  cv::Mat marker;
  cv::aruco::drawMarker(cv::aruco::getPredefinedDictionary(cv::aruco::DICT_6X6_250), 37, 160, marker, 1);
  cv::Mat image(360, 400, CV_8UC1, cv::Scalar(255));
  marker.copyTo(image(cv::Rect(100, 80, 160, 160)));
  std::vector<int> ids;
  Markers corners;
  ASSERT_EQ(getArucoCorners(image, ids, corners), 0);
  ASSERT_EQ(ids, std::vector<int>{37});
  ASSERT_EQ(corners.size(), 1u);
  // Clockwise from the top-left; pixel edges lie half a pixel outside the outer pixels' centres.
  const std::vector<cv::Point2f> truth = {{99.5f, 79.5f}, {259.5f, 79.5f}, {259.5f, 239.5f}, {99.5f, 239.5f}};
  for (int k = 0; k < 4; ++k) EXPECT_LT(cv::norm(corners[0][k] - truth[k]), kMaxCornerError) << k;
}

}  // namespace
