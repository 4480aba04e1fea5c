// What both bindings share about camera frames handed in from a host: which
// layouts each export takes, and how a described pixel buffer becomes a
// cv::Mat header over the host's memory (no copy).
#pragma once

#include <cstddef>
#include <opencv2/core.hpp>
#include <string>

namespace talmeq::bindings {

// The frame layouts the calls take: 8-bit, either three channels (blue,
// green, red) only, one or three channels, or (the station layer's
// readings) three or four (blue, green, red, alpha).
enum class FrameLayout { Colour, GreyOrColour, ColourOrBgra };

// True when a frame of `channels` channels fits `layout`.
bool fitsLayout(FrameLayout layout, int channels);

// What `layout` expects, for messages: "H x W x 3", "H x W or H x W x 3"
// or "H x W x 3 or H x W x 4".
const char* describeLayout(FrameLayout layout);

// A CV_8UC<channels> header over `rows` rows of `cols` pixels starting at
// `data`, rows `stride` bytes apart. Returns an empty string and sets `frame`
// when the description is consistent (a zero-sized frame gives an empty Mat
// and may have no data), else says what is wrong and leaves `frame` alone.
std::string viewFrame(const void* data, long long rows, long long cols, long long stride, int channels, cv::Mat& frame);

}  // namespace talmeq::bindings
