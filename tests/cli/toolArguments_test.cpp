// Bad arguments: exit status 2, exactly one line on standard error naming
// the problem, nothing on standard output, and no file changed.
#include <gtest/gtest.h>
#include <talmeq/cameraFile.h>

#include <algorithm>
#include <opencv2/imgcodecs.hpp>

#include "toolRun.h"

namespace {

using talmeq::test::ScratchFolder;
using talmeq::test::writeText;

struct BadArguments {
  std::vector<std::string> args;
  std::string says;
};

TEST(ToolArguments, EachBadArgumentIsNamed) {
  ScratchFolder dir;
  writeText(dir.file("c.yml"), "%YAML:1.0\n---\nscale: 0.1\ndist: 300\ninitZ: -31\nfocusD: 0\n");
  cv::imwrite(dir.file("img.png"), cv::Mat(48, 64, CV_8UC3, cv::Scalar::all(90)));
  std::filesystem::create_directory(dir.file("sub"));
  cv::imwrite(dir.file("sub/img.png"), cv::Mat(48, 64, CV_8UC3, cv::Scalar::all(90)));
  writeText(dir.file("bad.yml"), "%YAML:1.0\n---\nimage_width: 64\n");
  talmeq::writeCameraFile(dir.file("cam.yml"),
                          {cv::Mat::eye(3, 3, CV_64F), cv::Mat::zeros(5, 1, CV_64F), {64, 48}, {}, {}, {}});
  // clang-format off
  const std::vector<std::pair<std::string, std::string>> csvs{
      {"five.csv", "height,image\n0,img.png\nfive,img.png\n"}, {"three.csv", "0,img.png,extra\n"},
      {"inf.csv", "0,img.png\n1e999,img.png\n"},               {"empty.csv", "0,\n"},
      {"header.csv", "height,image\n\n"},                        {"missing.csv", "0,a.png\n5,b.png\n10,c.png\n"},
      {"short.csv", "0,img.png\n5,img.png\n"},                   {"level.csv", "5,img.png\n5,img.png\n5,img.png\n"},
      {"ok.csv", "0,img.png\n5,img.png\n10,img.png\n"}};
  for (const auto& [name, text] : csvs) writeText(dir.file(name), text);
  const std::vector<BadArguments> table{
      {{}, "subcommand"},
      {{"spot"}, "images is required"},
      {{"spot", "missing.png"}, "no such file: missing.png"},
      {{"spot", "img.png", "sub/img.png", "--annotate", "a.png"}, "two images share the name 'img'"},
      {{"board", "chess", "--out", "b.png", "--dpi", "abc"}, "--dpi: not a finite decimal number"},
      {{"board", "chess", "--out", "b.png", "--dpi", "-5"}, "--dpi must lie in (0, 2400]"},
      {{"board", "chess", "--out", "b.png", "--unit-mm", "0"}, "--unit-mm must lie in (0, 100]"},
      {{"board", "hexagon", "--out", "b.png"}, "hexagon"},
      {{"board", "chess", "--out", "b.bmp"}, "--out must name a .png, .svg file"},
      {{"board", "aruco", "--out", "no/such/dir/b.png"}, "no such directory for output file"},
      {{"demo", "--frames", "0"}, "--frames must be at least 1"},
      {{"demo", "--log-file", "no/such/dir/run.log"}, "no such directory for output file"},
      {{"simulate", "c.yml"}, "not a directory: c.yml"},
      {{"calibrate", "--yml", "c.yml", "five.csv"}, "five.csv:3: height is not a finite decimal number: 'five'"},
      {{"calibrate", "--yml", "c.yml", "three.csv"}, "three.csv:1: expected two fields 'height,image'"},
      {{"calibrate", "--yml", "c.yml", "inf.csv"}, "inf.csv:2: height is not a finite decimal number"},
      {{"calibrate", "--yml", "c.yml", "empty.csv"}, "empty.csv:1: image field is empty"},
      {{"calibrate", "--yml", "c.yml", "header.csv"}, "header.csv: no 'height,image' rows"},
      {{"calibrate", "--yml", "c.yml", "missing.csv"}, "no such file: a.png"},
      {{"calibrate", "--yml", "c.yml", "none.csv"}, "no such file: none.csv"},
      {{"calibrate", "--yml", "c.yml", "short.csv"}, "needs at least 3 heights, the series has 2"},
      {{"calibrate", "--yml", "c.yml", "level.csv"}, "the first and the last height of the series must differ"},
      {{"calibrate", "--yml", "new.yml", "ok.csv"}, "calibration file does not exist: new.yml (give --scale"},
      {{"calibrate", "--yml", "new.yml", "ok.csv", "--scale", "0.1"}, "give all four or none"},
      {{"calibrate", "--yml", "new.yml", "ok.csv", "--scale", "0.1", "--dist", "0", "--init-z", "-31", "--focus-d",
        "0"},
       "dist must be a number above 32"},
      {{"correct", "--yml", "c.yml", "--from", "abc", "--to", "1"}, "--from: not a finite decimal number"},
      {{"correct", "--yml", "none.yml", "--from", "0", "--to", "1"}, "no such file: none.yml"},
      {{"measure", "--yml", "none.yml", "img.png"}, "no such file: none.yml"},
      {{"undistort", "img.png", "--camera", "none.yml", "--out", "o.png"}, "no such file: none.yml"},
      {{"undistort", "img.png", "--camera", "bad.yml", "--out", "o.png"}, "camera_matrix must be a 3 x 3 matrix"},
      {{"undistort", "img.png", "--camera", "five.csv", "--out", "o.png"}, "not a readable camera file"},
      {{"undistort", "img.png", "--camera", "cam.yml", "--size", "640", "--out", "o.png"}, "--size must read WIDTHxHEIGHT"},
      {{"undistort", "img.png", "--camera", "cam.yml", "--out", "o.txt"}, "give it an image extension"},
      {{"correct-thickness", "img.png", "--camera", "cam.yml", "--thickness", "inf", "--out", "o.png"},
       "--thickness: not a finite decimal number"},
      {{"calib-aruco", "img.png", "none.png", "--out", "c2.yml"}, "no such file: none.png"},
      {{"calib-chess", "img.png", "--out", "c2.txt"}, "--out must name a .yml, .yaml, .xml, .json, .gz file"},
  };
  // clang-format on
  const std::string calibration = talmeq::test::readText(dir.file("c.yml"));
  for (const BadArguments& row : table) {
    const auto run = talmeq::test::runTool(dir.path(), row.args);
    const std::string command = row.args.empty() ? "" : row.args.front();
    EXPECT_EQ(run.status, 2) << command << ": " << run.err;
    EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "") << command;
  }
  EXPECT_EQ(talmeq::test::readText(dir.file("c.yml")), calibration);
  EXPECT_FALSE(std::filesystem::exists(dir.file("new.yml")));
}

}  // namespace
