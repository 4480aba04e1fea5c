// The printable calibration target (talmeq/boardTarget.h) as files that
// print at exact physical scale: an SVG document whose width and height are
// in millimetres, and a PNG that stores its print resolution.
#pragma once

#include <talmeq/boardTarget.h>

#include <string>
#include <vector>

namespace talmeq::cli {

std::string svgBoard(const BoardLayout& layout, double unitMm);

// `png` with a pHYs chunk of `dotsPerInch` inserted right after its header
// chunk, which OpenCV's encoder does not write, so that a viewer prints the
// image at the intended size. `png` must be a PNG as cv::imencode writes it
// (no pHYs of its own).
std::vector<unsigned char> withPixelDensity(std::vector<unsigned char> png, double dotsPerInch);

}  // namespace talmeq::cli
