// Output of a finished camera calibration (see cameraOutput.h).
#include "cameraOutput.h"

#include "cameraFile.h"
#include "cameraWarnings.h"
#include "cornerAnnotation.h"
#include "outputFiles.h"

namespace talmeq::cli {
namespace {

nlohmann::json cameraJson(const CameraCalibration& c) {
  const cv::Mat& k = c.cameraMatrix;
  return {{"fx", k.at<double>(0, 0)},
          {"fy", k.at<double>(1, 1)},
          {"cx", k.at<double>(0, 2)},
          {"cy", k.at<double>(1, 2)},
          {"distortion", std::vector<double>(c.distCoeffs.begin<double>(), c.distCoeffs.end<double>())},
          {"imageWidth", c.imageSize.width},
          {"imageHeight", c.imageSize.height},
          {"rms", c.reviewed() ? nlohmann::json(c.review.rms) : nlohmann::json()}};
}

void writeCameraFile(const std::string& path, const CameraCalibration& c, const std::vector<std::string>& warnings,
                     const CameraFileKeys& moreKeys) {
  sim::CameraFile file{c.cameraMatrix, c.distCoeffs, c.imageSize, std::nullopt};
  if (c.reviewed()) file.rms = c.review.rms;
  writeOutput(path, [&](const std::string& temporary) {
    cv::FileStorage storage(temporary, cv::FileStorage::WRITE);
    if (!storage.isOpened()) return false;
    sim::writeCameraKeys(storage, file);
    if (!warnings.empty()) {
      storage << "calibration_warnings"
              << "[";
      for (const std::string& warning : warnings) storage << warning;
      storage << "]";
    }
    if (moreKeys) moreKeys(storage);
    storage.release();
    return true;
  });
}

}  // namespace

void finishCamera(const CalibratedViews& v, const std::string& out, Session& session, const CameraFileKeys& moreKeys) {
  const CameraCalibration& c = v.camera;
  const std::vector<std::string> warnings = cameraWarnings(c, v.names);
  writeCameraFile(out, c, warnings, moreKeys);
  const cv::Mat& k = c.cameraMatrix;
  const cv::Mat d = c.distCoeffs.reshape(1, 1);
  Table table{{"fx", "fy", "cx", "cy", "k1", "k2", "p1", "p2", "k3", "rms (px)"}, {}};
  table.rows.push_back({fixed(k.at<double>(0, 0), 2), fixed(k.at<double>(1, 1), 2), fixed(k.at<double>(0, 2), 2),
                        fixed(k.at<double>(1, 2), 2), fixed(d.at<double>(0), 5), fixed(d.at<double>(1), 5),
                        fixed(d.at<double>(2), 5), fixed(d.at<double>(3), 5), fixed(d.at<double>(4), 5),
                        c.reviewed() ? fixed(c.review.rms, 4) : "-"});
  session.output.table(table);
  for (const std::string& warning : warnings) session.output.warn(warning);
  session.output.line("camera (" + std::to_string(c.imageSize.width) + " x " + std::to_string(c.imageSize.height) +
                      ") -> " + out);
  session.output.document().update({{"camera", cameraJson(c)}, {"out", out}});
  if (c.reviewed()) session.output.document()["rms"] = c.review.rms;  // as many views give it
  nlohmann::json written = nlohmann::json::array();
  for (std::size_t i = 0; i < v.annotations.size() && i < c.review.views.size(); ++i) {
    if (v.annotations[i].empty() || !c.review.views[i].used) continue;
    writeImage(v.annotations[i], annotateCorners(v.images[i], c.review.views[i], c.review.rms));
    written.push_back(v.annotations[i]);
  }
  if (!written.empty()) session.output.document()["annotations"] = written;
}

}  // namespace talmeq::cli
