// Every file the tool writes (annotations, plots, targets, camera files, the
// calibration file's draft) goes through the library's atomic replacement
// (talmeq/fileReplacement.h): a failed write, a full disk or an interruption
// never leaves a truncated file where a good one was; the old file stays as
// it was and the run fails with exit status 1.
#pragma once

#include <functional>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace talmeq::cli {

// talmeq::replaceFile(target, write); WorkFailure naming `target` when it
// fails or `write` raises an OpenCV error (the target is then unchanged).
// Any other exception from `write` goes on to the caller.
void writeOutput(const std::string& target, const std::function<bool(const std::string& temporary)>& write);

// Writes `bytes` as the file `path` through writeOutput().
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// Encodes `image` by the extension of `path` (checked beforehand by
// requireImageOutput) and writes it through writeOutput().
void writeImage(const std::string& path, const cv::Mat& image);

}  // namespace talmeq::cli
