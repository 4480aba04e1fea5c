// The three layouts in which cv::FileStorage writes a calibration file, each
// read into its top-level mapping by a strict reader of its own. Each reader
// takes the whole text, which starts with its format's signature ("%YAML",
// "{" or "<?xml") and holds no control character but tabs and line breaks,
// and raises OpenCV's parse error for anything but a calibration file's
// shape.
#pragma once

#include <string>

#include "calibrationSyntax.h"

namespace talmeq::detail::calibration {

Mapping readYaml(const std::string& text);
Mapping readJson(const std::string& text);
Mapping readXml(const std::string& text);

}  // namespace talmeq::detail::calibration
