// Writing the synthetic dataset (`simulate`, `demo`): a file that cannot be
// written, or a folder that cannot be made, fails the run with exit status 1
// and a message naming it.
#pragma once

#include <functional>
#include <string>

namespace talmeq::cli {

// Runs one of the dataset writers (sim::writeHeightDataset, ...) on `dir`.
void writeDatasetPart(const std::string& dir, const std::function<void(const std::string&)>& writer);

}  // namespace talmeq::cli
