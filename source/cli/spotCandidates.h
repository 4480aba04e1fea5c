// The candidate blobs of the spot detector, re-run on the tool's side so the
// annotation can draw what the detector saw: its fixed window, the brightness
// threshold, the foreground image and the screens every candidate contour
// passes through. This mirrors the detector's own stages (its constants and
// order); the library does not expose them, so the tool keeps this copy.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::cli::spotCandidates {

using Contour = std::vector<cv::Point>;
using Contours = std::vector<Contour>;

inline constexpr int kRankedPixels = 16;  // the 16th largest grey value sets the threshold

// The fixed window right of and below the image centre that can hold the spot:
// 35 % .. 70 % of the columns, 45 % .. 75 % of the rows (edges truncated).
cv::Rect spotWindow(int cols, int rows);

// Which screen decided about a candidate contour.
enum class Verdict {
  kTooSmall,  // area below 5: dropped without a message
  kTooLarge,  // area 300 or more
  kBadRatio,  // bounding-box width / height outside (0.3, 3.0)
  kNotRound,  // circularity 0.5 or less
  kAccepted,
};

struct Candidate {
  Contour contour;
  Verdict verdict = Verdict::kTooSmall;
};

// Every candidate contour inside the window of a BGR image with the verdict of
// the screens. The window must hold at least kRankedPixels pixels.
std::vector<Candidate> screenedCandidates(const cv::Mat& image, const cv::Rect& window);

}  // namespace talmeq::cli::spotCandidates
