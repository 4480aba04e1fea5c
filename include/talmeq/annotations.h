// Pictures over an input image, for a host to show its operator what the
// library saw; the talmeq tool writes exactly these. Marks and text grow with the
// image, so that they stay visible on an 8000 x 6000 frame as on a 640 x 480
// one; the outcome and a legend are written top left on dark strips. The
// image (or canvas) is the 8-bit BGR frame the record came from; anything
// else raises cv::Exception (StsBadArg).
#pragma once

#include <talmeq/cameraCalibrationReport.h>
#include <talmeq/export.h>
#include <talmeq/heightMeasurementRecord.h>
#include <talmeq/spotDetectionRecord.h>
#include <talmeq/spotReading.h>

#include <opencv2/core.hpp>
#include <string>

namespace talmeq {

// What the spot detector saw in one image, from its record: its detection
// window, every candidate contour coloured by the screen that decided about
// it, the chosen spot (when `found`), and `outcome` (the result and its
// reason) heading the legend. A copy of `image`.
TALMEQ_EXPORT cv::Mat annotateSpot(const cv::Mat& image, const SpotDetectionRecord& record, bool found,
                                   const cv::Point& spot, const std::string& outcome);

// One height measurement, from its record (of a measurement that read its
// calibration file): the search window (the file's "RoI" moved by its
// offsets), the 30-pixel track band along the window's diagonal in which the
// locator's track pass looks, the reference point, the spot the locator
// found, and `outcome` above the legend. A copy of `image`.
TALMEQ_EXPORT cv::Mat annotateMeasurement(const cv::Mat& image, const HeightMeasurementRecord& record,
                                          const std::string& outcome);

// The precision layer's reading drawn onto `canvas` (the image's own
// coordinates): the sub-pixel centre as a diagonal cross placed to a
// sixteenth of a pixel (open in the middle, so the spot and the whole-pixel
// marks stay visible), its 1-sigma uncertainty ellipse magnified 100 times,
// the centre and uncertainty as text beside it, for an ambiguous reading a
// ring around the runner-up, and a legend line at the bottom left (only the
// legend when it has no centre).
TALMEQ_EXPORT void drawPreciseSpot(cv::Mat& canvas, const SpotReading& reading);

// A camera calibration view: every detected board point and, from it, its
// reprojection error magnified into a visible line. A copy of `image`.
TALMEQ_EXPORT cv::Mat annotateCorners(const cv::Mat& image, const ViewQuality& view, double rms);

// How a many-view calibration covered the image: the image cut into the
// report's 10 x 10 cells, each shaded by how many used views put a point in
// it (dark red for none, brighter green for more) with the count written in
// it, and every used view's points as small dots.
TALMEQ_EXPORT cv::Mat drawCoverageMap(const CameraCalibrationReport& report);

}  // namespace talmeq
