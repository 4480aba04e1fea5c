// The marker side of the described boards through the core's ArUco adapter
// (arucoApi.h), which follows the OpenCV it is built against:
// the markers of a board's dictionary found in an image, each marker's
// corners on the board, and the ChArUco chessboard corners between them.
#pragma once

#include <talmeq/boardDescription.h>

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::detail::boards {

struct Markers {
  std::vector<int> ids;
  std::vector<std::vector<cv::Point2f>> corners;  // four per marker, clockwise from its top-left
};

// The markers of the board's dictionary in a grey image, corners refined to sub-pixel.
Markers detectMarkers(const cv::Mat& grey, const BoardDescription& board);

// The four corners of every marker of an ArUco grid or ChArUco board, in id
// order from first_id, board units (z = 0, y downwards).
std::vector<std::vector<cv::Point3f>> markerCornersOnBoard(const BoardDescription& board);

// The chessboard corners of a ChArUco board in corner-id order, board units.
std::vector<cv::Point3f> charucoCornersOnBoard(const BoardDescription& board);

// The ChArUco corners seen between the markers found: their ids and
// sub-pixel image positions.
void findCharucoCorners(const cv::Mat& grey, const BoardDescription& board, const Markers& markers,
                        std::vector<int>& ids, std::vector<cv::Point2f>& corners);

}  // namespace talmeq::detail::boards
