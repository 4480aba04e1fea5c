// The spot detector as stages. `traceSpot` sees: it runs the window,
// threshold, foreground, screens and blob choice silently and returns
// everything it decided on. `reportSpot` speaks: it writes the messages and
// failure records of getSpotCoord from such a trace, in the order in which
// the detector meets them, and the spot. getSpotCoord is the two in a row;
// the tool and the precision layer read the trace itself, so their pictures
// and reasons are the detector's own.
//
// The stages after the foreground (screens, blobs, choice) are shared with
// the whole-frame reading that the tests keep, so the two differ only in how
// they compute the foreground.
#pragma once

#include <talmeq/spotDetectionRecord.h>

#include <opencv2/core.hpp>
#include <vector>

namespace talmeq::detail::spot {

using Contour = std::vector<cv::Point>;
using Contours = std::vector<Contour>;

inline constexpr const char* kName = "getSpotCoord";
using talmeq::kRankedPixels;
inline constexpr int kThresholdCap = 225;
using talmeq::kBrightSwitch;
inline constexpr int kCrossIterations = 3;      // bright method: 3 x 3 cross closing
inline constexpr int kBackgroundBox = 51;       // dim method: box filter side
inline constexpr int kDimDifference = 50;       // dim method: red above background by more than this
inline const cv::Size kRowClosing{101, 11};     // dim method: closing along rows, then
inline const cv::Size kColumnClosing{11, 101};  // along columns

// The record of what the detector decided (talmeq/spotDetectionRecord.h)
// under the stages' names.
using Candidate = SpotCandidate;
using Screen = CandidateScreen;
using Outcome = DetectionOutcome;
using Trace = SpotDetectionRecord;

// The fixed window right of and below the image centre that can hold the
// spot; it never touches the image border.
cv::Rect detectionWindow(cv::Size imageSize);

// The checks before any pixel is read: sets the window and returns true
// when the image can be searched; otherwise sets the refusal as the
// outcome. A non-8-bit image raises cv::Exception.
bool startTrace(const cv::Mat& image, Trace& trace);

// Runs the detector on a BGR image without writing any message. An image
// that is not 8-bit, or that cannot be converted from BGR to grey, raises
// cv::Exception.
Trace traceSpot(const cv::Mat& image);

// The same into `trace`, whose lists are reused: a caller that keeps one
// trace per thread (getSpotCoord does) allocates nothing for it once its
// lists have grown. Every field of `trace` is rewritten.
void traceSpotInto(const cv::Mat& image, Trace& trace);

// From the contours of the masked foreground (full-image coordinates) to the
// outcome: screens them, paints the accepted ones on a canvas within
// `canvas` (full-image rectangle holding every contour point with a margin
// of at least one pixel), picks the largest blob and its centroid. Fills
// `candidates`, `blobs`, `chosen`, `spot` and `outcome` of `trace`.
void chooseSpot(Contours foregroundContours, cv::Rect canvas, Trace& trace);

// Writes the messages and failure records of getSpotCoord for `trace`, after
// its start message, and the spot into `coord` (expected at (0, 0)) just
// before its coordinates are logged. Returns getSpotCoord's result code.
int reportSpot(const Trace& trace, cv::Point& coord);

}  // namespace talmeq::detail::spot
