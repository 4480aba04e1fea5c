// The printable calibration target (talmeq/boardTarget.h) as an SVG
// document whose width and height are in millimetres.
#pragma once

#include <talmeq/boardTarget.h>

#include <string>

namespace talmeq::cli {

std::string svgBoard(const BoardLayout& layout, double unitMm);

}  // namespace talmeq::cli
