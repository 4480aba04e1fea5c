// The spot detector's foreground, computed only where it can reach the
// detection window: each buffer covers the window plus the distance that the
// later filters look, clipped to the image. Inside the window the result is
// the same, pixel for pixel, as running the filters on the whole frame.
// The buffers are the calling thread's spot workspace (frameWorkspace.h):
// what these functions return stays valid until the thread's next
// detection.
#pragma once

#include <opencv2/core.hpp>

namespace talmeq::detail::spot {

// The window's foreground (0 or 255) where it can be non-zero, inside a
// one-pixel ring that is not part of it (contour tracing zeroes the ring,
// traceContours), and the full-image position of the buffer's top-left
// pixel: contours traced with that offset keep full-image coordinates, and
// never touch the edge. The window's pixels outside the buffer are zero; an
// empty buffer means the window holds no foreground.
struct FramedWindow {
  cv::Mat binary;
  cv::Point origin;
};

// Grey values of the image around the window, as far as the bright method
// needs them, with the region they cover.
struct GreyAround {
  cv::Mat grey;
  cv::Rect area;
};
GreyAround greyAroundWindow(const cv::Mat& image, cv::Rect window);

// min(16th largest grey value of the window, 225), from a histogram.
int windowThreshold(const GreyAround& grey, cv::Rect window);

// Bright method: grey above thr, closed with the 3 x 3 cross.
FramedWindow brightWindowForeground(const GreyAround& grey, cv::Rect window, int thr);

// Dim method: red channel above its 51 x 51 background by more than 50,
// closed along rows and then along columns.
FramedWindow dimWindowForeground(const cv::Mat& image, cv::Rect window);

}  // namespace talmeq::detail::spot
