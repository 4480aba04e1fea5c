// The height road through the tool: `simulate` writes the dataset,
// `calibrate` fits it (its errors are the ones the library logs), `measure`
// reads every frame, `correct` shifts every absolute height by exactly its
// shift, and the plot and the measurement picture show their marks.

#include <cmath>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <regex>

#include "datasetWriter.h"
#include "imageMarks.h"
#include "toolRun.h"

namespace {

using talmeq::test::readLines;
using talmeq::test::runToolJson;
using talmeq::test::ScratchFolder;

constexpr double kLoggedDigits = 5e-6;  // relative: the library logs six significant digits

// The "err = " values the library logged, then its "average err = ".
std::vector<double> loggedErrors(const std::string& log) {
  const std::regex line(R"(\s(average )?err = ([-0-9.e+]+))");
  std::vector<double> errors;
  for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
    errors.push_back(std::stod((*it)[2]));
  return errors;
}

TEST(HeightRoad, SimulateCalibrateMeasureCorrect) {
  ScratchFolder dir;
  const nlohmann::json simulated = runToolJson(dir.path(), {"simulate", "data"});
  EXPECT_EQ(simulated["height"]["calibrationFrames"], 7);
  EXPECT_EQ(simulated["height"]["measureFrames"], 20);
  EXPECT_EQ(talmeq::test::topLevelKeys(dir.file("data/height/calibration.yml")),
            (std::vector<std::string>{"scale", "dist", "initZ", "focusD"}));
  const std::string yml = "data/height/calibration.yml";
  std::map<std::string, std::string> setting;  // the starting file's four settings, as written
  for (const std::string& line : readLines(dir.file(yml)))
    if (line.find(": ") != std::string::npos)
      setting[line.substr(0, line.find(": "))] = line.substr(line.find(": ") + 2);

  // Calibrate: the tool's signed errors are the library's in size, the plot shows one disc per point on the line.
  const nlohmann::json fit = runToolJson(
      dir.path(), {"calibrate", "--log-file", "run.log", "--yml", yml, "data/height/heights.csv", "--plot", "fit.png"});
  ASSERT_EQ(fit["points"].size(), 7u);
  const std::vector<double> logged = loggedErrors(talmeq::test::readText(dir.file("run.log")));
  ASSERT_EQ(logged.size(), 8u);
  for (std::size_t i = 0; i < 7; ++i)
    EXPECT_NEAR(std::abs(fit["points"][i]["error"].get<double>()), logged[i], kLoggedDigits * std::max(1.0, logged[i]))
        << i;
  EXPECT_NEAR(fit["averageError"].get<double>(), logged[7], kLoggedDigits);
  EXPECT_EQ(talmeq::test::topLevelKeys(dir.file(yml)), talmeq::test::elevenKeys());
  const cv::Mat plot = cv::imread(dir.file("fit.png"));
  cv::Mat red, labels, stats, centroids;
  cv::inRange(plot, cv::Scalar(0, 0, 255), cv::Scalar(0, 0, 255), red);
  ASSERT_EQ(cv::connectedComponentsWithStats(red, labels, stats, centroids) - 1, 7);
  for (int i = 1; i <= 7; ++i) {
    const cv::Point2d c(centroids.at<double>(i, 0), centroids.at<double>(i, 1));
    EXPECT_GT(talmeq::test::countPixelsOf(plot, talmeq::test::around(c, 8), cv::Vec3b(255, 0, 0)), 0) << c;
  }

  // The same fit from a file the four settings create.
  const nlohmann::json created = runToolJson(
      dir.path(), {"calibrate", "--yml", "new.yml", "data/height/heights.csv", "--scale", setting["scale"], "--dist",
                   setting["dist"], "--init-z", setting["initZ"], "--focus-d", setting["focusD"]});
  EXPECT_TRUE(created["created"].get<bool>());
  EXPECT_EQ(created["k"], fit["k"]);

  // Measure every frame, one of them drawn; then correct and measure again.
  std::vector<std::string> measure{"measure", "--yml", yml};
  for (const std::string& line : readLines(dir.file("data/height/measure.csv")))
    if (line != "height,image") measure.push_back("data/height/" + line.substr(line.find(',') + 1));
  std::vector<std::string> drawn = {"measure", "--yml", yml, measure[3], "--annotate", "seen.png"};
  const nlohmann::json one = runToolJson(dir.path(), drawn);
  const nlohmann::json before = runToolJson(dir.path(), measure);
  ASSERT_EQ(before["images"].size(), 20u);
  const double from = before["images"][0]["absolute"].get<double>();
  const nlohmann::json correction = runToolJson(
      dir.path(), {"correct", "--yml", yml, "--from", std::to_string(from), "--to", std::to_string(from + 0.25)});
  const double shift = correction["initZAfter"].get<double>() - correction["initZBefore"].get<double>();
  EXPECT_NEAR(shift, 0.25, 1e-6);
  const nlohmann::json after = runToolJson(dir.path(), measure);
  for (std::size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(before["images"][i]["result"], 0) << i;
    EXPECT_NEAR(after["images"][i]["absolute"].get<double>() - before["images"][i]["absolute"].get<double>(), shift,
                1e-9);
  }

  // The picture: the search window's edge (cyan) and the spot's cross (red).
  cv::Rect roi;
  cv::FileStorage file(dir.file(yml), cv::FileStorage::READ);
  cv::read(file["RoI"], roi, cv::Rect());
  const cv::Mat seen = cv::imread(dir.file("seen.png"));
  EXPECT_EQ(seen.at<cv::Vec3b>(roi.y + roi.height - 1, roi.x + roi.width / 2), cv::Vec3b(255, 255, 0));
  const double height = one["images"][0]["height"].get<double>();
  const cv::Point2d spot = talmeq::sim::spotAtHeight(talmeq::sim::datasetStation(), height);
  EXPECT_GE(talmeq::test::countPixelsOf(seen, talmeq::test::around(spot, 13), cv::Vec3b(0, 0, 255)), 30) << spot;
}

}  // namespace
