// The sub-pixel reading of the laser spot, with a record of how far to
// trust it. Part of talmeqStation.h.
//
// Errors: a result's status says what the frame turned out to hold; an
// argument that cannot be used at all raises cv::Exception (see readSpot).
// Nothing is logged.
#pragma once

#include <talmeq/export.h>

#include <limits>
#include <opencv2/core.hpp>

namespace talmeq {

// What a frame turned out to hold.
enum class SpotStatus {
  kFound,      // one spot, unclipped and bright: the most precise kind of reading
  kSaturated,  // one spot with clipped pixels (red 255) within its half maximum; centre from the unclipped
               // ones
  kTooDim,     // one spot less than 100 grey levels of red above its background: wider uncertainty
  kAmbiguous,  // a rival at 70 % or more of the chosen blob (see runnerUp), or any second accepted blob
               // when the strongest reaches the edge of the detector's window (which cut it, so its true
               // shape and strength are unknown): `centre` is the strongest, `runnerUpCentre` the other
  kNoSpot,     // the detector accepted no blob, or the pixels around it hold no measurable spot; no centre
};

// How the centre was estimated.
enum class CentreMethod {
  kNone,             // no spot
  kGaussianFit,      // least-squares elliptical Gaussian on a tilted plane, over the unclipped pixels
  kHalfMaxCentroid,  // centroid of the pixels above half the peak, weighted by their excess over that level
};

// One reading. Positions are full-image pixels with each pixel's centre at
// integer coordinates (a spot centred on pixel (5, 7) reads (5.0, 7.0)).
// Levels are grey levels (0 .. 255) of the red channel. Every member that
// describes the spot is NaN when there is none.
struct SpotReading {
  static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

  SpotStatus status = SpotStatus::kNoSpot;
  CentreMethod method = CentreMethod::kNone;
  cv::Point2d centre{kUnknown, kUnknown};
  cv::Matx22d covariance{kUnknown, kUnknown, kUnknown, kUnknown};  // of the centre, pixels squared
  double uncertainty = kUnknown;  // sqrt(covariance trace): expected distance of the centre from the truth, pixels
  double peak = kUnknown;         // red level at the centre, background included; above 255 for a clipped
                                  // spot, where the fit extrapolates the profile
  double background = kUnknown;   // red level of the background under the centre
  double sigmaX = kUnknown;       // Gaussian widths of the spot along x and y, pixels
  double sigmaY = kUnknown;
  double saturatedFraction = kUnknown;  // share of the pixels within the spot's half maximum that are clipped, 0 .. 1
  int candidates = 0;                   // blobs the detector accepted (after its screens)
  double runnerUp = 0.0;  // the strongest rival over the chosen blob (0 alone): the second accepted blob's
                          // strength over the chosen one's (0 .. 1), or, if higher, the brightest 5 x 5 mean
                          // excess of a candidate the screens rejected for its size or shape (the spot merged
                          // with clutter by the detector's closings) over the chosen blob's (may exceed 1)
  cv::Point2d runnerUpCentre{kUnknown, kUnknown};  // the rival's centroid, or its brightest 5 x 5 centre
  int detectorResult = -1;  // the whole-pixel detector's result for the same image: 0 found, -1 none
  cv::Point detectorSpot;   // and its spot (truncated centroid), (0, 0) when none

  bool hasCentre() const { return status != SpotStatus::kNoSpot; }
};

// Reads the spot of an 8-bit BGR image (three or four channels) with the
// whole-pixel detector's window, threshold and screens, picks the strongest
// accepted blob and estimates its centre from the image pixels around it:
// the Gaussian fit, started from the half-maximum centroid, unless it fails
// to reach a plausible profile (fewer than 24 unclipped pixels, a width
// outside 0.5 .. 12 pixels, a centre more than 3 pixels from its start),
// where the centroid stands. Strength is the red excess over the local
// background summed over the blob's pixels; a rejected candidate is
// compared by its brightest 5 x 5 mean excess instead.
// Raises cv::Exception (StsBadArg) for an empty image, a depth other than
// 8 bits, another channel count, or an image whose detector window holds
// fewer than 16 pixels (35 % of the columns by 30 % of the rows). Safe to
// call from several threads at once.
TALMEQ_EXPORT SpotReading readSpot(const cv::Mat& image);

// Names for reports: "found", "saturated", "tooDim", "ambiguous", "noSpot";
// "none", "gaussianFit", "halfMaxCentroid".
TALMEQ_EXPORT const char* toText(SpotStatus status);
TALMEQ_EXPORT const char* toText(CentreMethod method);

}  // namespace talmeq
