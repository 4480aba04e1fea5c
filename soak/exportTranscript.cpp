// exportTranscript FOLDER: runs each of the nine exports on the synthetic
// station's frames and views (the soak run's inputs) and prints, in a fixed
// text form, what each returned, its outputs and every log line it wrote.
// scripts/compat.sh runs it on each Debian release and compares the
// transcripts byte for byte. Reals are printed with 17 significant digits;
// images as their size, type and a hash of their bytes. FOLDER receives the
// calibration file the height exports write.
#include <talmeqAlgorithm.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "exportRound.h"
#include "logCapture.h"

namespace {

std::string real(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// FNV-1a over the pixel bytes, so that two images compare in one line.
std::string imageLine(const cv::Mat& image) {
  std::uint64_t hash = 14695981039346656037ull;
  const cv::Mat whole = image.isContinuous() ? image : image.clone();
  for (std::size_t i = 0; i < whole.total() * whole.elemSize(); ++i) hash = (hash ^ whole.data[i]) * 1099511628211ull;
  char text[96];
  std::snprintf(text, sizeof text, "image %dx%d type %d fnv %016llx", image.cols, image.rows, image.type(),
                static_cast<unsigned long long>(hash));
  return text;
}

std::string matrixLine(const cv::Mat& matrix) {
  std::ostringstream line;
  line << "matrix " << matrix.rows << "x" << matrix.cols;
  cv::Mat values;
  matrix.convertTo(values, CV_64F);
  for (int r = 0; r < values.rows; ++r)
    for (int c = 0; c < values.cols; ++c) line << ' ' << real(values.at<double>(r, c));
  return line.str();
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// One export: its name, its result, the lines `outputs` gives, and the log
// lines written during the call.
void transcribe(const char* name, const std::function<int()>& call, const std::function<std::string()>& outputs) {
  const talmeq::test::LogCapture capture;
  const int result = call();
  std::printf("== %s\nresult %d\n%s", name, result, outputs().c_str());
  for (const talmeq::test::LogEntry& entry : capture.entries())
    std::printf("log %s %s %s\n", entry.stream.c_str(), entry.error ? "ERROR" : "INFO", entry.text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string yml = std::string(argc > 1 ? argv[1] : ".") + "/transcript.yml";
  const talmeq::soak::Inputs in = talmeq::soak::prepareInputs();
  talmeq::soak::writeStartingCalibration(yml);

  std::vector<cv::Point> coords(in.heightFrames.size());
  for (std::size_t i = 0; i < coords.size(); ++i)
    transcribe(
        "getSpotCoord", [&] { return getSpotCoord(in.heightFrames[i], coords[i]); },
        [&] { return "coord " + std::to_string(coords[i].x) + " " + std::to_string(coords[i].y) + "\n"; });
  const auto file = [&] { return "file\n" + fileText(yml); };
  transcribe(
      "getCalibrationParamByLinear", [&] { return getCalibrationParamByLinear(in.heights, coords, yml); }, file);
  transcribe(
      "correctYml", [&] { return correctYml(0.5, 1.5, yml); }, file);
  double height = 0.0, axisZ = 0.0;
  transcribe(
      "getPlaneHeightByLinear", [&] { return getPlaneHeightByLinear(in.measureFrame, yml, height, axisZ); },
      [&] { return "height " + real(height) + " axisZ " + real(axisZ) + "\n"; });

  cv::Mat camera, distortion;
  const auto calibration = [&] { return matrixLine(camera) + "\n" + matrixLine(distortion) + "\n"; };
  transcribe(
      "calibChess", [&] { return calibChess(in.chessImage, camera, distortion); }, calibration);
  for (const cv::Mat& view : in.arucoImages) {
    std::vector<int> ids;
    std::vector<std::vector<cv::Point2f>> corners;
    transcribe(
        "getArucoCorners", [&] { return getArucoCorners(view, ids, corners); },
        [&] {
          std::string lines;
          for (std::size_t i = 0; i < ids.size(); ++i) {
            lines += "marker " + std::to_string(ids[i]);
            for (const cv::Point2f& corner : corners[i]) lines += " " + real(corner.x) + " " + real(corner.y);
            lines += "\n";
          }
          return lines;
        });
  }
  transcribe(
      "calibAruco", [&] { return calibAruco(in.arucoCorners, in.arucoIds, in.cameraSize, camera, distortion); },
      calibration);
  cv::Mat image;
  transcribe(
      "undistAruco",
      [&] { return undistAruco(in.chessImage, in.cameraMatrix, in.distortion, cv::Size(320, 240), image); },
      [&] { return imageLine(image) + "\n"; });
  transcribe(
      "getCorrectImgByThickness",
      [&] { return getCorrectImgByThickness(in.chessImage, in.cameraMatrix, in.distortion, 2.0, image); },
      [&] { return imageLine(image) + "\n"; });
  return 0;
}
