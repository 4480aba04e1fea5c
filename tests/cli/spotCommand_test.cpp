// `talmeq spot` end to end on hand-made scenes: the table (aligned by
// display width, a non-ASCII path included), the JSON rows, and the
// annotation's marks at 640 x 480 and grown on a large frame.

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "imageMarks.h"
#include "toolRun.h"

namespace {

using talmeq::test::countPixelsOf;
using talmeq::test::ScratchFolder;

const cv::Vec3b kCyan(255, 255, 0), kRed(0, 0, 255), kGreen(0, 255, 0), kMagenta(255, 0, 255), kOrange(0, 165, 255);

// At 640 x 480 the window spans columns 224..447 and rows 216..359; the
// scene holds a spot, a candidate too large and one too elongated. `scale`
// enlarges everything.
cv::Mat scene(int scale) {
  cv::Mat image(cv::Size(640, 480) * scale, CV_8UC3, cv::Scalar::all(40));
  cv::circle(image, cv::Point(330, 290) * scale, 4, cv::Scalar::all(255), cv::FILLED);
  if (scale == 1) {
    image(cv::Rect(400, 230, 30, 30)).setTo(cv::Scalar::all(255));
    image(cv::Rect(250, 330, 40, 3)).setTo(cv::Scalar::all(255));
  }
  return image;
}

TEST(SpotCommand, TableJsonAndAnnotation) {
  ScratchFolder dir;
  cv::imwrite(dir.file("a.png"), scene(1));
  std::filesystem::copy_file(dir.file("a.png"), std::filesystem::u8path(dir.file("é测.png")));
  const auto text = talmeq::test::runTool(dir.path(), {"spot", "a.png", "é测.png"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("\na.png    0       330    290"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("\né测.png  0       330    290"), std::string::npos) << "é: 1 column, 测: 2";

  const nlohmann::json doc = talmeq::test::runToolJson(dir.path(), {"spot", "a.png", "--annotate", "seen.png"});
  const nlohmann::json& row = doc["images"][0];
  EXPECT_EQ(row["x"], 330);
  EXPECT_EQ(row["y"], 290);
  EXPECT_EQ(row["annotation"], "seen.png");
  const cv::Mat drawn = cv::imread(dir.file("seen.png"));
  ASSERT_EQ(drawn.size(), cv::Size(640, 480));
  for (const cv::Point& edge : {cv::Point(224, 300), cv::Point(300, 216), cv::Point(447, 300), cv::Point(300, 359)})
    EXPECT_EQ(drawn.at<cv::Vec3b>(edge), kCyan) << "window edge at " << edge;
  EXPECT_EQ(drawn.at<cv::Vec3b>(290, 338), kRed) << "spot cross, right arm end";
  EXPECT_EQ(drawn.at<cv::Vec3b>(230, 400), kMagenta) << "too-large candidate";
  EXPECT_EQ(drawn.at<cv::Vec3b>(330, 250), kOrange) << "too elongated candidate";
  EXPECT_GT(countPixelsOf(drawn, {324, 284, 13, 13}, kGreen), 0) << "accepted candidate";
  EXPECT_EQ(drawn.at<cv::Vec3b>(470, 600), cv::Vec3b(40, 40, 40)) << "the image is kept outside the marks";

  // On a frame 5 times as large, the cross grows with it.
  cv::imwrite(dir.file("big.png"), scene(5));
  ASSERT_EQ(talmeq::test::runTool(dir.path(), {"spot", "big.png", "--annotate", "bigSeen.png"}).status, 0);
  const cv::Mat big = cv::imread(dir.file("bigSeen.png"));
  const int small = countPixelsOf(drawn, talmeq::test::around({330, 290}, 12), kRed);
  EXPECT_GT(countPixelsOf(big, talmeq::test::around({1650, 1450}, 60), kRed), 10 * small);
}

}  // namespace
