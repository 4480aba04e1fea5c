// Camera file I/O (see cameraFile.h).
#include "cameraFile.h"

namespace talmeq::sim {

void writeCameraKeys(cv::FileStorage& storage, const CameraFile& camera) {
  storage << "image_width" << camera.imageSize.width << "image_height" << camera.imageSize.height;
  storage << "camera_matrix" << camera.cameraMatrix;
  storage << "distortion_coefficients" << camera.distCoeffs.reshape(1, static_cast<int>(camera.distCoeffs.total()));
  if (camera.rms) storage << "avg_reprojection_error" << *camera.rms;
}

bool writeCameraFile(const std::string& path, const CameraFile& camera) {
  cv::FileStorage storage(path, cv::FileStorage::WRITE);
  if (!storage.isOpened()) return false;
  writeCameraKeys(storage, camera);
  storage.release();
  return true;
}

bool readCameraFile(const std::string& path, CameraFile& camera) {
  cv::FileStorage storage;
  try {
    if (!storage.open(path, cv::FileStorage::READ)) return false;
  } catch (const cv::Exception&) {
    return false;  // not a file cv::FileStorage can parse
  }
  storage["camera_matrix"] >> camera.cameraMatrix;
  storage["distortion_coefficients"] >> camera.distCoeffs;
  int width = 0, height = 0;
  storage["image_width"] >> width;
  storage["image_height"] >> height;
  camera.imageSize = {width, height};
  const cv::FileNode rms = storage["avg_reprojection_error"];
  if (rms.isReal() || rms.isInt()) camera.rms = static_cast<double>(rms);
  return true;
}

}  // namespace talmeq::sim
