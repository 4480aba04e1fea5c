// The region spot locator as stages: the order of work, the track level,
// and the two passes from a thresholded region image to the spot. The
// library's region-bounded locator (`locateInRegion`) and the whole-frame
// reading kept by the tests both run through them, so the two differ only
// in how they compute the grey and red region images and the band along
// the diagonal. A `Trace` records what the passes decided, for the tool's
// pictures and reasons.
#pragma once

#include <talmeq/heightMeasurementRecord.h>

#include <limits>
#include <opencv2/core.hpp>
#include <utility>
#include <vector>

namespace talmeq::detail::region {

inline constexpr double kSaturatedGrey = 240.0;  // bright pass: grey above this is saturated
inline constexpr int kLevelRank = kLocatorLevelRank;
inline constexpr int kBandThickness = kLocatorBandThickness;
inline constexpr double kMinContrast = kLocatorMinContrast;

// The record of what the locator decided (talmeq/heightMeasurementRecord.h)
// under the stages' names.
using Pass = LocatorPass;
using Trace = SpotLocationRecord;

// The passes below take the thresholded region, or a copy of the part of it
// that holds all its foreground: `binary` (consumed) lies at `at` in the
// region, the region is zero outside it, and it reaches `closings` + 1
// pixels beyond every foreground pixel or up to the region's edge (the
// whole region always qualifies). The closings and the opening then give
// the same pixels in it as on the whole region, and contours keep region
// coordinates. An empty `binary` holds no foreground.
inline constexpr int kBrightClosings = 3;
inline constexpr int kTrackClosings = 5;

// Both passes use `cross`, the 3 x 3 cross built once per call, and fill
// their part of `trace`.

// Bright-spot pass on the region's grey values thresholded at 240. True,
// with `spot` written in full-image pixels, when exactly one plausible
// saturated blob remains.
bool brightSpot(cv::Mat binary, cv::Point at, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot, Trace& trace);

// The track threshold from the region's 101st largest red value: one below
// it, at most 250.
int trackLevel(int rankedRed);

// Track pass on the red region thresholded at the track level and masked
// by the band; `red` is the whole red region. Returns -1 unless exactly one
// blob near the diagonal remains; otherwise 0, with `spot` written when the
// blob stands more than 30 above the region's mean.
int trackSpot(cv::Mat binary, cv::Point at, const cv::Mat& red, const cv::Rect& roi, const cv::Mat& cross,
              cv::Point& spot, Trace& trace);

using talmeq::liesInside;

// The locator's order of work with its two passes supplied: OpenCV's error
// unless `roi` lies inside the image with a non-negative size (checked in 64
// bits, so that x + width cannot overflow), -1 for an empty region, the
// bright-spot pass, -1 for a region of fewer than 101 pixels, then the track
// pass. `spot` is expected at (0, 0).
using BrightPass = bool (*)(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot,
                            Trace& trace);
using TrackPass = int (*)(const cv::Mat& image, const cv::Rect& roi, const cv::Mat& cross, cv::Point& spot,
                          Trace& trace);
int locateWith(const cv::Mat& image, const cv::Rect& roi, cv::Point& spot, BrightPass bright, TrackPass track,
               Trace& trace);

// The library's locator: grey and red values of the region only, the band
// drawn on a canvas around the region, the passes filtered only where the
// region holds foreground. Same results as getSpotCoordInRoI, which it
// serves; writes no message.
int locateInRegion(const cv::Mat& image, const cv::Rect& roi, cv::Point& spot, Trace& trace);

// The band of the track pass for `roi` in an image of `imageSize`: the
// 30-pixel line from the region's top-left to its bottom-right corner, as a
// region-sized view that holds the same pixels as the region of a full-size
// mask with the same line drawn on it.
cv::Mat trackBand(cv::Size imageSize, const cv::Rect& roi);

}  // namespace talmeq::detail::region
