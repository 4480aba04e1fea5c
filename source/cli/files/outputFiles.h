// Every file the tool writes (annotations, plots, targets, camera files, the
// starting calibration file) goes through one helper: the content is written
// to a temporary file in the target's folder, flushed to the disk and then
// renamed over the target. A failed write, a full disk or an interruption
// therefore never leaves a truncated file where a good one was: the old file
// stays as it was and the run fails with exit status 1.
#pragma once

#include <opencv2/core.hpp>

#include <functional>
#include <string>
#include <vector>

namespace talmeq::cli {

// Replaces `target` with the file that `write` creates at the path it is
// given: a temporary name in the same folder that ends with the target's
// file name, so that writers choosing a format by extension see the right
// one. `write` returns false when it could not write. WorkFailure naming
// `target` when writing, flushing or renaming fails; the target is then
// unchanged and the temporary file removed.
void replaceFile(const std::string& target, const std::function<bool(const std::string& temporary)>& write);

// Writes `bytes` as the file `path` through replaceFile().
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// Encodes `image` by the extension of `path` (checked beforehand by
// requireImageOutput) and writes it through replaceFile().
void writeImage(const std::string& path, const cv::Mat& image);

// Makes an interruption (Ctrl-C, SIGTERM) remove the temporary file being
// written, if any, before the tool ends as the signal would end it.
void removePartialOutputOnInterrupt();

}  // namespace talmeq::cli
