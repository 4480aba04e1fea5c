// `--board FILE`: a described ChArUco board printed, rendered and calibrated
// end to end, with the board recorded in the camera file; a marker grid of
// another layout and descriptions that cannot be boards refused with the
// exit status and sentence a user needs.

#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "arucoApi.h"
#include "datasetWriter.h"
#include "toolRun.h"
#include "viewPoses.h"

namespace {

namespace sim = talmeq::sim;
using talmeq::test::runTool;
using talmeq::test::ScratchFolder;

const int kDictionary = talmeq::detail::aruco_api::kDict6x6_250;

const char* const kCharuco =
    "type: charuco\ncolumns: 8\nrows: 6\nsquare: 30\nmarker: 22\ndictionary: DICT_6X6_250\nfirst_id: 0\n";

// Writes rendered views of the target; returns their file names.
std::vector<std::string> writeViews(const ScratchFolder& dir, const sim::Target& target, int count, const char* stem) {
  const sim::Camera camera = sim::datasetCamera();
  const std::vector<sim::View> views =
      sim::renderViews(target, camera, sim::coveringPoses(target, camera, count, 3, 0.5), sim::datasetArucoEffects());
  std::vector<std::string> names;
  for (std::size_t i = 0; i < views.size(); ++i) {
    names.push_back(stem + std::to_string(i) + ".png");
    cv::imwrite(dir.file(names.back()), views[i].image);
  }
  return names;
}

TEST(BoardOption, CharucoBoardPrintedAndCalibratedWithTheBoardRecorded) {
  ScratchFolder dir;
  talmeq::test::writeText(dir.file("charuco.yml"), kCharuco);
  talmeq::test::runToolJson(dir.path(), {"board", "--board", "charuco.yml", "--out", "board.png", "--dpi", "200"});
  std::vector<std::vector<cv::Point2f>> corners;
  std::vector<int> ids;
  talmeq::detail::aruco_api::detectMarkers(cv::imread(dir.file("board.png"), cv::IMREAD_GRAYSCALE), kDictionary,
                                           talmeq::detail::aruco_api::CornerRefinement::kNone, corners, ids);
  EXPECT_EQ(ids.size(), 24u);
  talmeq::test::runToolJson(dir.path(), {"board", "--board", "charuco.yml", "--out", "board.svg"});
  const std::string svg = talmeq::test::readText(dir.file("board.svg"));
  EXPECT_NE(svg.find("width=\"300mm\" height=\"240mm\""),
            std::string::npos);  // 8 x 6 squares of 30 and a border

  std::vector<std::string> args{"calib-charuco"};
  for (const std::string& name : writeViews(dir, sim::charucoTarget({8, 6}, 30, 22, kDictionary), 12, "v"))
    args.push_back(name);
  args.insert(args.end(), {"--board", "charuco.yml", "--out", "camera.yml", "--min-coverage", "0"});
  const nlohmann::json document = talmeq::test::runToolJson(dir.path(), args);
  EXPECT_NEAR(document["camera"]["fx"].get<double>(), sim::datasetCamera().fx, 2.0);
  cv::FileStorage camera(dir.file("camera.yml"), cv::FileStorage::READ);
  EXPECT_EQ(camera["board_type"].string(), "charuco");
  EXPECT_EQ(static_cast<int>(camera["board_width"]), 8);
  EXPECT_EQ(static_cast<double>(camera["marker_length"]), 22.0);
  EXPECT_EQ(camera["dictionary"].string(), "DICT_6X6_250");
}

TEST(BoardOption, BoardsThatCannotBeTheDescribedOneAreRefused) {
  ScratchFolder dir;
  std::vector<std::string> args{"calib-aruco"};
  for (const std::string& name : writeViews(dir, sim::gridBoardTarget({4, 5}, 200, 100, kDictionary), 2, "grid"))
    args.push_back(name);
  args.insert(args.end(), {"--out", "camera.yml"});
  const talmeq::test::ToolRun grid = runTool(dir.path(), args);
  EXPECT_EQ(grid.status, 1);
  EXPECT_NE(grid.out.find("does not fit the board: ids 0–19 in a 4 x 5 layout; the board is 9 x 6 (ids 0–53)"),
            std::string::npos)
      << grid.out;
  EXPECT_NE(grid.err.find("no view fits the ArUco grid of 9 x 6 DICT_6X6_250 markers"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("camera.yml")));

  talmeq::test::writeText(dir.file("bad.yml"),
                          "type: charuco\ncolumns: 5\nrows: 7\nsquare: 30\nmarker: 30\n"
                          "dictionary: DICT_4X4_50\n");
  talmeq::test::writeText(dir.file("charuco.yml"), kCharuco);
  const struct {
    std::vector<std::string> args;
    std::string sentence;
  } refusals[] = {
      {{"calib-charuco", "grid0.png", "--board", "bad.yml", "--out", "c.yml"},
       "bad.yml: the board's marker must be smaller than its square"},
      {{"calib-chess", "grid0.png", "--board", "charuco.yml", "--out", "c.yml"},
       "the board's type is not the subcommand's"},
      {{"calib-charuco", "grid0.png", "--out", "c.yml"}, "--board is required"},
  };
  for (const auto& r : refusals) {
    const talmeq::test::ToolRun run = runTool(dir.path(), r.args);
    EXPECT_EQ(run.status, 2) << r.args.front();
    EXPECT_NE(run.err.find(r.sentence), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.yml")));
  }
}

}  // namespace
