// How strong a blob or candidate of the detector is, from the red excess
// over its local background: summed over its filled pixels (the strength by
// which accepted blobs are ranked: a weaker reflection, a glint or a piece
// of a streak cut by the detection window holds fewer pixels, lower ones,
// or both), and at its brightest 5 x 5 pixels (the peak by which a
// candidate the screens rejected is compared: the spot merged with clutter
// by the detector's closings keeps its peak).
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "contourTracing.h"
#include "polygonFill.h"

namespace talmeq::detail::precision {

struct BlobMeasure {
  double strength = 0.0;  // summed excess over the filled contour
  double peak = 0.0;      // highest 5 x 5 mean excess centred inside the filled contour
  cv::Point2d peakAt;     // its centre, full-image pixels
};

// The buffers of a measure, kept between calls (their contents are garbage
// to the next).
struct BlobScratch {
  cv::Mat red;       // red values around the contour
  cv::Mat mask;      // the contour filled
  Contours outline;  // the contour, as the one list the filler takes
  PolygonEdges fill;
};

// `blob`: a contour in full-image pixels. The background is the median red
// value of the ring two to four pixels outside the contour's box.
BlobMeasure measureBlob(const cv::Mat& image, const std::vector<cv::Point>& blob, BlobScratch& scratch);

}  // namespace talmeq::detail::precision
