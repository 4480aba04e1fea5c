// The height road through the tool on the simulated station: `simulate`
// writes the dataset, `calibrate` fits it, `measure` and `correct` are
// checked against the simulation's true heights, and the plot and the
// measurement picture show their marks where the data puts them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <regex>

#include "datasetWriter.h"
#include "imageMarks.h"
#include "station.h"
#include "toolRun.h"

namespace {

using talmeq::test::readLines;
using talmeq::test::readText;
using talmeq::test::runTool;
using talmeq::test::runToolJson;
using talmeq::test::ScratchFolder;
namespace fs = std::filesystem;

constexpr double kMaxHeightError = 0.2;  // height units, the calibration's own limit
constexpr double kMaxSpotError = 1.5;    // pixels, truncated spot coordinates
constexpr double kLoggedDigits = 5e-6;   // relative: the library logs six significant digits
constexpr double kExactShift = 1e-9;     // height units
constexpr int kMarkReach = 3;            // pixels around an expected mark

// The height dataset of the simulated station in `dir`/height.
struct HeightData {
  explicit HeightData(const ScratchFolder& dir) : folder(dir.path() / "height") {
    talmeq::sim::writeHeightDataset(dir.path().string());
  }
  std::string at(const std::string& name) const { return (folder / name).string(); }
  std::string yml() const { return at("calibration.yml"); }
  nlohmann::json calibrate(const ScratchFolder& dir) const {
    return runToolJson(dir.path(), {"calibrate", "--yml", yml(), at("heights.csv")});
  }
  fs::path folder;
};

TEST(SimulateCommand, WritesTheDatasetLayout) {
  ScratchFolder dir;
  const nlohmann::json doc = runToolJson(dir.path(), {"simulate", dir.file("data")});
  const fs::path data = dir.path() / "data";
  EXPECT_EQ(doc["height"]["calibrationFrames"], 7);
  EXPECT_EQ(doc["height"]["measureFrames"], 20);

  cv::FileStorage start((data / "height/calibration.yml").string(), cv::FileStorage::READ);
  std::vector<std::string> keys;
  for (const cv::FileNode& node : start.root()) keys.push_back(node.name());
  EXPECT_EQ(keys, (std::vector<std::string>{"scale", "dist", "initZ", "focusD"}));

  const std::vector<std::string> calib = readLines((data / "height/heights.csv").string());
  ASSERT_EQ(calib.size(), 8u);
  EXPECT_EQ(calib[0], "height,image");
  for (std::size_t i = 1; i < calib.size(); ++i) {
    const std::string name = "calib_0" + std::to_string(i - 1) + ".png";
    EXPECT_EQ(calib[i], std::to_string(5 * (i - 1)) + "," + name);
    EXPECT_EQ(cv::imread((data / "height" / name).string()).size(), cv::Size(1280, 1024));
  }
  const std::vector<std::string> measure = readLines((data / "height/measure.csv").string());
  ASSERT_EQ(measure.size(), 21u);
  EXPECT_EQ(measure[0], "height,image");
  for (std::size_t i = 1; i < measure.size(); ++i) {
    const double height = std::stod(measure[i]);
    EXPECT_TRUE(height > 0.0 && height < 30.0 && std::fmod(height, 5.0) != 0.0) << measure[i];
    EXPECT_TRUE(fs::is_regular_file(data / "height" / measure[i].substr(measure[i].find(',') + 1)))
        << measure[i];
  }

  EXPECT_EQ(cv::imread((data / "chess/chess.png").string()).size(), cv::Size(1024, 768));
  int views = 0;
  while (fs::is_regular_file(data / "aruco" / ("view_0" + std::to_string(views) + ".png"))) ++views;
  EXPECT_GE(views, 6);
  for (const char* part : {"chess", "aruco"}) {
    cv::FileStorage truth((data / part / "camera_truth.yml").string(), cv::FileStorage::READ);
    cv::Mat matrix;
    truth["camera_matrix"] >> matrix;
    EXPECT_EQ(matrix.at<double>(0, 0), doc["camera"]["fx"].get<double>()) << part;
    EXPECT_EQ(static_cast<int>(truth["image_width"]), 1024) << part;
    EXPECT_FALSE(truth["distortion_coefficients"].empty()) << part;
  }
}

TEST(CalibrateCommand, ErrorsMatchTheLibraryLogAndSpotsTheTruth) {
  ScratchFolder dir;
  const HeightData data(dir);
  const std::string log = dir.file("run.log");
  const nlohmann::json doc =
      runToolJson(dir.path(), {"calibrate", "--log-file", log, "--yml", data.yml(), data.at("heights.csv")});
  ASSERT_EQ(doc.value("result", 99), 0);
  EXPECT_FALSE(doc["created"].get<bool>());
  const nlohmann::json& points = doc["points"];
  ASSERT_EQ(points.size(), 7u);

  // The tool's recomputed errors are the ones the library logged, in order.
  const std::string logged = readText(log);
  const std::regex errLine(R"(\s(average )?err = ([-0-9.e+]+))");
  std::vector<double> libraryErrors;
  double libraryAverage = -1.0;
  for (std::sregex_iterator it(logged.begin(), logged.end(), errLine), end; it != end; ++it)
    ((*it)[1].matched ? libraryAverage : libraryErrors.emplace_back()) = std::stod((*it)[2]);
  ASSERT_EQ(libraryErrors.size(), points.size()) << logged;
  EXPECT_NEAR(doc["averageError"].get<double>(), libraryAverage, kLoggedDigits * libraryAverage);
  const talmeq::sim::Station station = talmeq::sim::datasetStation();
  double sum = 0.0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double error = points[i]["error"].get<double>();
    EXPECT_NEAR(error, libraryErrors[i], kLoggedDigits * std::max(1.0, libraryErrors[i])) << i;
    sum += error;
    const cv::Point2d truth = talmeq::sim::spotAtHeight(station, points[i]["height"].get<double>());
    EXPECT_NEAR(points[i]["x"].get<double>(), truth.x, kMaxSpotError) << i;
    EXPECT_NEAR(points[i]["y"].get<double>(), truth.y, kMaxSpotError) << i;
  }
  EXPECT_NEAR(doc["averageError"].get<double>(), sum / 7.0, 1e-12);
  EXPECT_LT(doc["averageError"].get<double>(), kMaxHeightError);
  EXPECT_EQ(doc["initialX"], points[0]["x"]);  // the series starts at height 0
  EXPECT_EQ(doc["initialY"], points[0]["y"]);
}

TEST(HeightRoad, MeasureAndCorrectAgainstTheTrueHeights) {
  ScratchFolder dir;
  const HeightData data(dir);
  ASSERT_EQ(data.calibrate(dir).value("result", 99), 0);
  std::vector<std::string> args{"measure", "--yml", data.yml()};
  std::vector<double> truth;
  for (const std::string& line : readLines(data.at("measure.csv"))) {
    if (line == "height,image") continue;
    truth.push_back(std::stod(line));
    args.push_back(data.at(line.substr(line.find(',') + 1)));
  }
  const nlohmann::json before = runToolJson(dir.path(), args);
  ASSERT_EQ(before["images"].size(), truth.size());
  const talmeq::sim::Station station = talmeq::sim::datasetStation();
  for (std::size_t i = 0; i < truth.size(); ++i) {
    const nlohmann::json& row = before["images"][i];
    ASSERT_EQ(row["result"], 0) << i;
    EXPECT_NEAR(row["height"].get<double>(), truth[i], kMaxHeightError) << i;
    EXPECT_NEAR(row["axisZ"].get<double>(), truth[i] + station.initZ + station.focusD, kMaxHeightError) << i;
  }

  // The plane of the first image should read 0.25 higher: every absolute height moves by that much.
  const double from = before["images"][0]["axisZ"].get<double>();
  const nlohmann::json correction = runToolJson(
      dir.path(),
      {"correct", "--yml", data.yml(), "--from", std::to_string(from), "--to", std::to_string(from + 0.25)});
  EXPECT_NEAR(correction["initZAfter"].get<double>() - correction["initZBefore"].get<double>(), 0.25, 1e-6);
  const nlohmann::json after = runToolJson(dir.path(), args);
  for (std::size_t i = 0; i < truth.size(); ++i) {
    const double shift =
        after["images"][i]["axisZ"].get<double>() - before["images"][i]["axisZ"].get<double>();
    EXPECT_NEAR(shift, correction["initZAfter"].get<double>() - correction["initZBefore"].get<double>(),
                kExactShift);
    EXPECT_EQ(after["images"][i]["height"], before["images"][i]["height"]);
  }
}

TEST(CalibrateCommand, CreatesAMissingFileOnlyFromAllFourSettings) {
  ScratchFolder dir;
  const HeightData data(dir);
  const std::string fresh = dir.file("fresh.yml");
  const auto missing = runTool(dir.path(), {"calibrate", "--yml", fresh, data.at("heights.csv")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("calibration file does not exist: " + fresh), std::string::npos) << missing.err;
  const auto partial =
      runTool(dir.path(), {"calibrate", "--yml", fresh, "--scale", "0.1", data.at("heights.csv")});
  EXPECT_EQ(partial.status, 2);
  EXPECT_NE(partial.err.find("give all four or none"), std::string::npos) << partial.err;
  EXPECT_FALSE(fs::exists(fresh));

  const nlohmann::json created =
      runToolJson(dir.path(), {"calibrate", "--yml", fresh, "--scale", "0.1", "--dist", "300", "--init-z",
                               "-31", "--focus-d", "0.5", data.at("heights.csv")});
  EXPECT_TRUE(created["created"].get<bool>());
  EXPECT_EQ(created["result"], 0);
  // The same settings as the simulated starting file give the same fit.
  const nlohmann::json reference = data.calibrate(dir);
  EXPECT_NEAR(created["k"].get<double>(), reference["k"].get<double>(), 1e-12);
  cv::FileStorage file(fresh, cv::FileStorage::READ);
  EXPECT_EQ(static_cast<double>(file["initZ"]), -31.0);
  EXPECT_EQ(file["RoI"].size(), 4u);
}

TEST(CalibrateCommand, FailuresNameTheImageOrTheFit) {
  ScratchFolder dir;
  const HeightData data(dir);
  // A frame without the laser spot in the series.
  cv::imwrite(data.at("dark.png"), cv::Mat(1024, 1280, CV_8UC3, cv::Scalar::all(30)));
  std::ofstream(data.at("dark.csv")) << "0,calib_00.png\n5,dark.png\n10,calib_02.png\n";
  const auto dark = runTool(dir.path(), {"calibrate", "--yml", data.yml(), data.at("dark.csv")});
  EXPECT_EQ(dark.status, 1);
  EXPECT_EQ(dark.err, "talmeq: " + data.at("dark.png") + ": getSpotCoord returned -1: no spot found\n");

  // Heights that do not belong to the frames: the fit is written but rejected.
  std::ofstream(data.at("shuffled.csv")) << "height,image\n0,calib_00.png\n30,calib_01.png\n10,calib_02.png\n"
                                            "5,calib_03.png\n20,calib_04.png\n";
  const auto shuffled =
      runTool(dir.path(), {"calibrate", "--json", "--yml", data.yml(), data.at("shuffled.csv")});
  EXPECT_EQ(shuffled.status, 1);
  EXPECT_NE(shuffled.err.find("getCalibrationParamByLinear returned -1: average fit error above 0.2"),
            std::string::npos)
      << shuffled.err;
  const nlohmann::json doc = nlohmann::json::parse(shuffled.out);
  EXPECT_GT(doc["averageError"].get<double>(), kMaxHeightError);
  EXPECT_EQ(doc["points"].size(), 5u);
}

TEST(CalibrateCommand, PlotShowsEveryPointAlongTheFittedLine) {
  ScratchFolder dir;
  const HeightData data(dir);
  const std::string plot = dir.file("plot.png");
  const nlohmann::json doc =
      runToolJson(dir.path(), {"calibrate", "--yml", data.yml(), data.at("heights.csv"), "--plot", plot});
  const cv::Mat image = cv::imread(plot);
  ASSERT_EQ(image.size(), cv::Size(900, 600));
  // One red disc per point; higher points lie further right and further up.
  cv::Mat red;
  cv::inRange(image, cv::Scalar(0, 0, 255), cv::Scalar(0, 0, 255), red);
  cv::Mat labels, stats, centroids;
  const int discs = cv::connectedComponentsWithStats(red, labels, stats, centroids) - 1;
  ASSERT_EQ(discs, 7);
  // Components are numbered from the top: each next one lies lower and further left.
  for (int i = 1; i <= discs; ++i) {
    const cv::Point2d c(centroids.at<double>(i, 0), centroids.at<double>(i, 1));
    EXPECT_EQ(stats.at<int>(i, cv::CC_STAT_WIDTH), 11) << "disc of radius 5 at " << c;
    if (i > 1) {
      EXPECT_LT(c.x, centroids.at<double>(i - 1, 0)) << c;
    }
    // The fitted line (blue) passes through every disc of this near-perfect fit.
    EXPECT_TRUE(talmeq::test::anyPixelOf(image, talmeq::test::around(c, 8), cv::Vec3b(255, 0, 0))) << c;
  }
  EXPECT_EQ(doc["plot"], plot);
}

TEST(MeasureCommand, AnnotationMarksWindowBandAndSpot) {
  ScratchFolder dir;
  const HeightData data(dir);
  ASSERT_EQ(data.calibrate(dir).value("result", 99), 0);
  cv::FileStorage file(data.yml(), cv::FileStorage::READ);
  cv::Rect roi;
  cv::read(file["RoI"], roi, cv::Rect());  // offsets are 0 after a calibration
  const double height = 17.5;
  const talmeq::sim::Station station = talmeq::sim::datasetStation();
  cv::imwrite(dir.file("plane.png"), talmeq::sim::stationFrame(station, height, 77));
  const nlohmann::json doc = runToolJson(dir.path(), {"measure", "--yml", data.yml(), dir.file("plane.png"),
                                                      "--annotate", dir.file("seen.png")});
  ASSERT_NEAR(doc["images"][0]["height"].get<double>(), height, kMaxHeightError);

  const cv::Mat seen = cv::imread(dir.file("seen.png"));
  ASSERT_EQ(seen.size(), station.imageSize);
  const cv::Vec3b cyan(255, 255, 0), red(0, 0, 255);
  const cv::Point mid = roi.tl() + cv::Point(roi.width / 2, roi.height - 1);
  EXPECT_EQ(seen.at<cv::Vec3b>(roi.y, roi.x + roi.width / 2), cyan) << "window top edge";
  EXPECT_EQ(seen.at<cv::Vec3b>(mid), cyan) << "window bottom edge";
  EXPECT_EQ(seen.at<cv::Vec3b>(roi.y + roi.height / 2, roi.x), cyan) << "window left edge";
  // The band tints the window's diagonal green, and leaves the opposite corner alone.
  const cv::Vec3b onBand = seen.at<cv::Vec3b>(roi.y + roi.height / 2, roi.x + roi.width / 2);
  EXPECT_GT(onBand[1], onBand[2] + 20) << "band at the window centre";
  const cv::Vec3b offBand = seen.at<cv::Vec3b>(roi.y + roi.height - 10, roi.x + 10);
  EXPECT_LT(std::abs(offBand[1] - offBand[2]), 10) << "no band in the lower left corner";
  // The spot cross sits on the simulated spot.
  const cv::Point2d spot = talmeq::sim::spotAtHeight(station, height);
  EXPECT_GE(talmeq::test::countPixelsOf(seen, talmeq::test::around(spot, 10 + kMarkReach), red), 30) << spot;
}

TEST(MeasureCommand, FailuresKeepTheOtherImagesAndNameTheCode) {
  ScratchFolder dir;
  const HeightData data(dir);
  ASSERT_EQ(data.calibrate(dir).value("result", 99), 0);
  cv::imwrite(dir.file("dark.png"), cv::Mat(1024, 1280, CV_8UC3, cv::Scalar::all(30)));
  const auto run = runTool(dir.path(), {"measure", "--json", "--yml", data.yml(), data.at("measure_03.png"),
                                        dir.file("dark.png")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "talmeq: " + dir.file("dark.png") +
                         ": getPlaneHeightByLinear returned -1: no single spot found in the search window\n");
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["images"][0]["result"], 0);
  EXPECT_EQ(doc["images"][1]["result"], -1);
  EXPECT_FALSE(doc["images"][1].contains("height"));

  // A plane far above the calibrated range reads outside -32 .. 0: both heights are still shown.
  const auto high = runTool(dir.path(), {"correct", "--yml", data.yml(), "--from", "0", "--to", "40"});
  ASSERT_EQ(high.status, 0) << high.err;
  const auto outside =
      runTool(dir.path(), {"measure", "--json", "--yml", data.yml(), data.at("measure_03.png")});
  EXPECT_EQ(outside.status, 1);
  EXPECT_NE(outside.err.find("returned -3: absolute height outside -32 .. 0"), std::string::npos)
      << outside.err;
  EXPECT_TRUE(nlohmann::json::parse(outside.out)["images"][0].contains("axisZ"));
}

}  // namespace
