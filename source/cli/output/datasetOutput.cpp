// Dataset writing with failures as the tool reports them (see datasetOutput.h).
#include "datasetOutput.h"

#include <filesystem>
#include <opencv2/core.hpp>
#include <stdexcept>

#include "failures.h"

namespace talmeq::cli {

void writeDatasetPart(const std::string& dir, const std::function<void(const std::string&)>& writer) {
  try {
    writer(dir);
  } catch (const cv::Exception& error) {
    throw WorkFailure("cannot write the dataset into " + dir + ": " + error.err);
  } catch (const std::exception& error) {
    throw WorkFailure("cannot write the dataset into " + dir + ": " + error.what());
  }
}

}  // namespace talmeq::cli
