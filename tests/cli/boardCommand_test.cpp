// `talmeq board`: the printable targets have the physical size asked for,
// OpenCV finds the chessboard and all 54 markers in the PNGs, and the SVGs
// parse and hold one shape per square or marker.
#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cmath>
#include <numeric>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgcodecs.hpp>
#include <set>

#include "arucoApi.h"
#include "toolRun.h"

namespace {

using talmeq::test::runTool;
using talmeq::test::ScratchFolder;

constexpr double kMmPerInch = 25.4;
constexpr double kPixelTolerance = 1.0;   // rounding of the sheet size to whole pixels
constexpr double kPitchTolerance = 0.5;   // pixels, mean corner spacing
constexpr double kMarkerTolerance = 2.0;  // pixels, side of one detected marker

double pixelsFor(double mm, double dpi) { return mm / kMmPerInch * dpi; }

// The pixels per metre stored in the PNG's pHYs chunk, or 0 without one.
long storedPixelsPerMetre(const std::string& path) {
  const std::string bytes = talmeq::test::readText(path);
  const std::size_t at = bytes.find("pHYs");
  if (at == std::string::npos || at + 13 > bytes.size()) return 0;
  long value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + 4 + i]);
  return bytes[at + 12] == 1 ? value : 0;
}

TEST(BoardCommand, ChessPngIsToScaleAndItsCornersAreFound) {
  ScratchFolder dir;
  const double dpi = 100;
  talmeq::test::runToolJson(dir.path(), {"board", "chess", "--out", "c.png", "--dpi", "100"});
  const cv::Mat image = cv::imread(dir.file("c.png"), cv::IMREAD_GRAYSCALE);
  EXPECT_NEAR(image.cols, pixelsFor(300, dpi), kPixelTolerance);  // 18 squares of 15 mm + 15 mm border
  EXPECT_NEAR(image.rows, pixelsFor(225, dpi), kPixelTolerance);
  EXPECT_EQ(storedPixelsPerMetre(dir.file("c.png")), std::lround(dpi / 0.0254));

  std::vector<cv::Point2f> corners;
  ASSERT_TRUE(cv::findChessboardCorners(image, {17, 12}, corners));
  double spacing = 0;
  for (int r = 0; r < 12; ++r)
    for (int c = 0; c + 1 < 17; ++c) spacing += cv::norm(corners[r * 17 + c + 1] - corners[r * 17 + c]);
  EXPECT_NEAR(spacing / (12 * 16), pixelsFor(15, dpi), kPitchTolerance);
}

TEST(BoardCommand, ArucoPngHoldsAll54MarkersAtTheirSize) {
  ScratchFolder dir;
  const double dpi = 120, unitMm = 0.12;
  talmeq::test::runToolJson(dir.path(), {"board", "aruco", "--out", "a.png", "--dpi", "120", "--unit-mm", "0.12"});
  const cv::Mat image = cv::imread(dir.file("a.png"));
  EXPECT_NEAR(image.cols, pixelsFor(2800 * unitMm, dpi), kPixelTolerance);
  EXPECT_NEAR(image.rows, pixelsFor(1900 * unitMm, dpi), kPixelTolerance);

  std::vector<int> ids;
  std::vector<std::vector<cv::Point2f>> corners;
  talmeq::detail::aruco_api::detectMarkers(image, talmeq::detail::aruco_api::kDict6x6_250,
                                           talmeq::detail::aruco_api::CornerRefinement::kNone, corners, ids);
  ASSERT_EQ(std::set<int>(ids.begin(), ids.end()).size(), 54u);
  EXPECT_EQ(*std::max_element(ids.begin(), ids.end()), 53);
  for (std::size_t i = 0; i < ids.size(); ++i)
    EXPECT_NEAR(cv::norm(corners[i][1] - corners[i][0]), pixelsFor(200 * unitMm, dpi), kMarkerTolerance) << ids[i];
  const auto first = std::find(ids.begin(), ids.end(), 0) - ids.begin();
  EXPECT_NEAR(corners[first][0].x, pixelsFor(100 * unitMm, dpi), kMarkerTolerance) << "id 0 sits top left";
  EXPECT_NEAR(corners[first][0].y, pixelsFor(100 * unitMm, dpi), kMarkerTolerance);
}

// The parsed SVG, its root size attributes and the count of an XPath query.
struct SvgFacts {
  std::string width, height;
  int count = -1;
};

SvgFacts parseSvg(const std::string& path, const char* query) {
  SvgFacts facts;
  xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
  if (!doc) return facts;
  xmlNodePtr root = xmlDocGetRootElement(doc);
  for (const char* name : {"width", "height"}) {
    xmlChar* value = xmlGetProp(root, reinterpret_cast<const xmlChar*>(name));
    (std::string(name) == "width" ? facts.width : facts.height) = value ? reinterpret_cast<char*>(value) : "";
    xmlFree(value);
  }
  xmlXPathContextPtr context = xmlXPathNewContext(doc);
  xmlXPathRegisterNs(context, reinterpret_cast<const xmlChar*>("s"),
                     reinterpret_cast<const xmlChar*>("http://www.w3.org/2000/svg"));
  xmlXPathObjectPtr found = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(query), context);
  facts.count = found && found->nodesetval ? found->nodesetval->nodeNr : 0;
  xmlXPathFreeObject(found);
  xmlXPathFreeContext(context);
  xmlFreeDoc(doc);
  return facts;
}

TEST(BoardCommand, SvgTargetsParseWithMillimetreSizeAndEveryShape) {
  ScratchFolder dir;
  ASSERT_EQ(runTool(dir.path(), {"board", "chess", "--out", dir.file("c.svg")}).status, 0);
  const SvgFacts chess = parseSvg(dir.file("c.svg"), "//s:rect[@class='square']");
  EXPECT_EQ(chess.count, 18 * 13 / 2);
  EXPECT_EQ(chess.width, "300mm");
  EXPECT_EQ(chess.height, "225mm");

  ASSERT_EQ(runTool(dir.path(), {"board", "aruco", "--out", dir.file("a.svg"), "--unit-mm", "0.2"}).status, 0);
  const SvgFacts aruco = parseSvg(dir.file("a.svg"), "//s:g[@class='marker']");
  EXPECT_EQ(aruco.count, 54);
  EXPECT_EQ(aruco.width, "560mm");
  EXPECT_EQ(aruco.height, "380mm");
  EXPECT_GT(parseSvg(dir.file("a.svg"), "//s:g[@id='marker-53']/s:rect").count, 28)
      << "a marker is its black frame (28 cells) plus its black bits";
}

}  // namespace
