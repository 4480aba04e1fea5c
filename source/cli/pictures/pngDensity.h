// Stores the print resolution in an encoded PNG (its pHYs chunk), which
// OpenCV's encoder does not write, so that a viewer prints the image at the
// intended physical size.
#pragma once

#include <vector>

namespace talmeq::cli {

// `png` with a pHYs chunk of `dotsPerInch` inserted right after its header
// chunk. `png` must be a PNG as cv::imencode writes it (no pHYs of its own).
std::vector<unsigned char> withPixelDensity(std::vector<unsigned char> png, double dotsPerInch);

}  // namespace talmeq::cli
