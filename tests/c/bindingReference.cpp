// The C++ side of the binding tests. Writes the simulated dataset into
// DATA_DIR, with the pixels of each PNG beside it as packed blue-green-red
// rows (NAME.bgr) for hosts without an image decoder, then runs on the C++
// exports the scenario that the Python host runs through the module, and
// the C# host in part through the C interface, writing
// WORK_DIR/transcript.txt and the two corrected images
// (WORK_DIR/undistorted.raw and thickness.raw: packed rows of pixels).
//
// The scenario: the spot of each calibration frame (heights 0, 5, ..., 30),
// and its sub-pixel centre; the height calibration from the spots into a copy
// of the starting calibration file, WORK_DIR/calibration.yml; a shift of its
// initZ from -10 to -9.75; the height model fitted from the sub-pixel spots
// into another copy, WORK_DIR/precise.yml; the height and the sub-pixel
// height reading of each measurement frame; the chessboard calibration; the
// markers of each ArUco view; the calibration from the views with markers;
// then undistortion into 800 x 600 and the thickness correction for 19 of
// the first view with that camera. WORK_DIR/hostFit.yml is a third copy, for
// the C# host to fit into. A line names the step, then the frame's index
// where there is one, the result code or status and the outputs (a camera
// only on success; a view's marker identifiers, then their corners);
// floating-point values appear as the 16 hex digits of their IEEE-754 bits,
// so the hosts must agree to the last bit.
//   bindingReference DATA_DIR WORK_DIR
#include <datasetWriter.h>
#include <talmeq/precision.h>
#include <talmeqAlgorithm.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <opencv2/imgcodecs.hpp>

namespace fs = std::filesystem;

namespace {

std::ofstream transcript;

void item(int value) { transcript << ' ' << value; }

void item(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  transcript << ' ' << std::hex << std::setw(16) << std::setfill('0') << bits << std::dec;
}

// A camera matrix, distortion coefficients or a covariance (nothing when not written).
void item(const cv::Mat& values) {
  for (std::size_t i = 0; i < values.total(); ++i) item(values.at<double>(static_cast<int>(i)));
}

void item(const cv::Point2d& point) { item(point.x), item(point.y); }

void item(const cv::Point2f& point) { item(double{point.x}), item(double{point.y}); }

// Identifiers, marker corners or fit errors, item by item.
template <class T>
void item(const std::vector<T>& values) {
  for (const T& value : values) item(value);
}

void item(const cv::Rect& rect) { item(rect.x), item(rect.y), item(rect.width), item(rect.height); }

// A sub-pixel reading, member by member in the header's order (statuses as ints).
void item(const talmeq::SpotReading& spot) {
  item(static_cast<int>(spot.status)), item(static_cast<int>(spot.method)), item(spot.centre);
  item(cv::Mat(spot.covariance)), item(spot.uncertainty), item(spot.peak), item(spot.background);
  item(spot.sigmaX), item(spot.sigmaY), item(spot.saturatedFraction), item(spot.candidates), item(spot.runnerUp),
      item(spot.runnerUpCentre), item(spot.detectorResult);
  item(spot.detectorSpot.x), item(spot.detectorSpot.y);
}

// The pixels of a continuous image as packed rows.
void writePixels(const fs::path& path, const cv::Mat& image) {
  std::ofstream(path, std::ios::binary).write(image.ptr<char>(), image.total() * image.elemSize());
}

template <class... Items>
void line(const char* step, const Items&... items) {
  transcript << step;
  (item(items), ...);
  transcript << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return std::fprintf(stderr, "usage: bindingReference DATA_DIR WORK_DIR\n"), 2;
  const fs::path data = argv[1], work = argv[2];
  talmeq::sim::writeDataset(data.string());
  for (const char* folder : {"height", "chess", "aruco"})
    for (const auto& entry : fs::directory_iterator(data / folder))
      if (entry.path().extension() == ".png")
        writePixels(fs::path(entry.path()).replace_extension(".bgr"), cv::imread(entry.path().string()));
  const auto frame = [&](const char* folder, const char* prefix, int index) {
    char name[64];
    std::snprintf(name, sizeof name, "%s_%02d.png", prefix, index);
    return cv::imread((data / folder / name).string());
  };
  fs::create_directories(work);
  const std::string yml = (work / "calibration.yml").string(), preciseYml = (work / "precise.yml").string();
  // Removed first: MinGW's libstdc++ 12 refuses overwrite_existing over a file that exists.
  for (const char* copy : {"calibration.yml", "precise.yml", "hostFit.yml"}) {
    fs::remove(work / copy);
    fs::copy_file(data / "height" / "calibration.yml", work / copy);
  }
  transcript.open(work / "transcript.txt");

  std::vector<double> heights{0.0, 5.0, 10.0, 15.0, 20.0, 25.0, 30.0};
  std::vector<cv::Point> coords(7);
  std::vector<cv::Point2d> centres;
  for (int i = 0; i < 7; ++i) {
    const cv::Mat image = frame("height", "calib", i);
    line("spot", i, getSpotCoord(image, coords[i]), coords[i].x, coords[i].y);
    centres.push_back(talmeq::readSpot(image).centre);
  }
  line("calibrate", getCalibrationParamByLinear(heights, coords, yml));
  line("correct", correctYml(-10.0, -9.75, yml));
  const talmeq::HeightModel model = talmeq::fitHeightModel(heights, centres, preciseYml);
  line("model", static_cast<int>(model.status), model.k, model.b, model.reference, model.averageError, model.window,
       model.errors);
  for (int i = 0; i < 20; ++i) {
    double height = 0.0, axisZ = 0.0;
    const cv::Mat image = frame("height", "measure", i);
    line("measure", i, getPlaneHeightByLinear(image, yml, height, axisZ), height, axisZ);
    const talmeq::HeightReading reading = talmeq::readHeight(image, preciseYml);
    line("height", i, reading.spot, reading.height, reading.axisZ, reading.heightUncertainty,
         static_cast<int>(reading.status), reading.window);
  }
  cv::Mat chessMatrix, chessCoeffs, cameraMatrix, distCoeffs, undistorted, thick;
  line("chess", calibChess(cv::imread((data / "chess" / "chess.png").string()), chessMatrix, chessCoeffs), chessMatrix,
       chessCoeffs);
  std::vector<std::vector<std::vector<cv::Point2f>>> allCorners;
  std::vector<std::vector<int>> allIds;
  for (int v = 0; v < 8; ++v) {
    std::vector<int> ids;
    std::vector<std::vector<cv::Point2f>> corners;
    const int code = getArucoCorners(frame("aruco", "view", v), ids, corners);
    line("markers", v, code, static_cast<int>(ids.size()), ids, corners);
    if (code == 0) allIds.push_back(ids), allCorners.push_back(corners);
  }
  line("aruco", calibAruco(allCorners, allIds, {1024, 768}, cameraMatrix, distCoeffs), cameraMatrix, distCoeffs);
  const cv::Mat view = frame("aruco", "view", 0);
  line("undistort", undistAruco(view, cameraMatrix, distCoeffs, {800, 600}, undistorted));
  line("thickness", getCorrectImgByThickness(view, cameraMatrix, distCoeffs, 19.0, thick));
  transcript.close();
  writePixels(work / "undistorted.raw", undistorted);
  writePixels(work / "thickness.raw", thick);
  return transcript ? 0 : 1;
}
